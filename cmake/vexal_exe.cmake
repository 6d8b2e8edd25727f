# The Windows side: the portable sources must keep compiling with mingw-w64.
add_library(vexal_portable STATIC ${VEXAL_PORTABLE_SOURCES} ${VEXAL_DRAW_SOURCES})
target_include_directories(vexal_portable PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(vexal_portable PRIVATE -Wall -Wextra -ffreestanding -fno-exceptions -fno-rtti)
