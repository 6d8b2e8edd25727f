# Vexal.exe: every source of the game, the embedded sheet and the resource
# script, linked without any C or C++ runtime, so that the program imports
# nothing but KERNEL32, USER32 and GDI32.
enable_language(RC)

# No runtime libraries by default: the program brings its own memory routines
# (src/platform/runtime_win32.cpp) and names its three system libraries itself.
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_C_STANDARD_LIBRARIES "")

set(VEXAL_EXE_SOURCES ${VEXAL_PORTABLE_SOURCES} ${VEXAL_DRAW_SOURCES} ${VEXAL_WIN32_SOURCES})
if(EXISTS ${VEXAL_SPRITES_GIF})
  list(APPEND VEXAL_EXE_SOURCES ${VEXAL_SPRITES_CPP})
else()
  message(WARNING "res/sprites.gif is missing: Vexal.exe is not built")
endif()

# The entry symbol carries the stdcall decoration only on 32-bit x86.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VEXAL_ENTRY _VexalStart@0)
else()
  set(VEXAL_ENTRY VexalStart)
endif()

if(EXISTS ${VEXAL_SPRITES_GIF})
  add_executable(Vexal WIN32 ${VEXAL_EXE_SOURCES} ${CMAKE_SOURCE_DIR}/res/vexal.rc)
  target_include_directories(Vexal PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/res)
  # windres reads these itself; the build does not see them otherwise.
  set_source_files_properties(${CMAKE_SOURCE_DIR}/res/vexal.rc PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/res/dialogs.rc;${CMAKE_SOURCE_DIR}/res/vexal.ico;${CMAKE_SOURCE_DIR}/res/about_logo.bmp;${CMAKE_SOURCE_DIR}/res/about_mask.bmp;${CMAKE_SOURCE_DIR}/src/platform/resource_ids.h")
  target_compile_options(Vexal PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-Os -ffreestanding -fno-exceptions -fno-rtti
      -fno-asynchronous-unwind-tables -fno-threadsafe-statics -fno-stack-protector
      -ffunction-sections -fdata-sections -Wall -Wextra>)
  target_link_options(Vexal PRIVATE
    -nostdlib -mwindows -Wl,--entry,${VEXAL_ENTRY} -Wl,--gc-sections -s
    # No link time in the header: the same sources give the same bytes.
    -Wl,--no-insert-timestamp)
  # A benchmark-only build, in a build folder of its own and never shipped:
  # the animation pauses return at once, so that the start-up benchmark can
  # tell the opening's required pauses from the rest of the start-up.
  option(VEXAL_NO_PAUSES "Animation pauses return at once (start-up benchmark only)" OFF)
  if(VEXAL_NO_PAUSES)
    target_compile_definitions(Vexal PRIVATE VEXAL_NO_PAUSES)
  endif()
  # libgcc only for the compiler's own helpers (stack probes); it is static.
  target_link_libraries(Vexal PRIVATE kernel32 user32 gdi32 gcc)
endif()
