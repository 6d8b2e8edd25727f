# build/web/vexal.html: the portable sources and the page's own (*_web.cpp)
# compiled to WebAssembly, made resumable by Binaryen's Asyncify, and put into
# one HTML file with the page's JavaScript, CSS, font, glyphs and resources.
find_program(VEXAL_WASM_OPT wasm-opt REQUIRED)
# The page's tools need the system's Python, whose fontTools Debian provides.
find_program(VEXAL_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

set(VEXAL_PAGE_SOURCES ${VEXAL_PORTABLE_SOURCES} ${VEXAL_DRAW_SOURCES} ${VEXAL_WEB_SOURCES}
    ${VEXAL_SPRITES_CPP})
add_executable(vexal_core ${VEXAL_PAGE_SOURCES})
set_target_properties(vexal_core PROPERTIES SUFFIX .wasm)
target_include_directories(vexal_core PRIVATE ${CMAKE_SOURCE_DIR}/src)
set(VEXAL_WASM_COMPILE_OPTIONS
  -Os -ffreestanding -fno-exceptions -fno-rtti -fno-threadsafe-statics -mbulk-memory
  -mmutable-globals -mno-sign-ext -Wall -Wextra -Werror)
target_compile_options(vexal_core PRIVATE ${VEXAL_WASM_COMPILE_OPTIONS})
# Every import the page must provide is listed: a call the page lacks fails
# the link instead of failing in the browser.
set(VEXAL_WEB_IMPORTS ${CMAKE_SOURCE_DIR}/src/web/imports.txt)
target_link_options(vexal_core PRIVATE
  -nostdlib -Wl,--no-entry -Wl,--export-dynamic -Wl,--export=__stack_pointer
  -Wl,--export=__heap_base -Wl,-z,stack-size=262144 -Wl,--gc-sections -Wl,--error-limit=0 -Wl,--strip-debug
  -Wl,--allow-undefined-file=${VEXAL_WEB_IMPORTS})
set_target_properties(vexal_core PROPERTIES LINK_DEPENDS ${VEXAL_WEB_IMPORTS})

# The calls that suspend the program until the page resumes it.
set(VEXAL_ASYNC_IMPORTS env.WebPause,env.MessageBoxA,env.DialogBoxParamA,env.WebTableBegin,env.WebTableEnd)
set(VEXAL_WASM ${CMAKE_BINARY_DIR}/vexal.wasm)
add_custom_command(OUTPUT ${VEXAL_WASM}
  COMMAND ${VEXAL_WASM_OPT} $<TARGET_FILE:vexal_core> --asyncify
          --pass-arg=asyncify-imports@${VEXAL_ASYNC_IMPORTS} -Os --strip-debug -o ${VEXAL_WASM}
  DEPENDS vexal_core
  COMMENT "Making the program resumable (Asyncify)")

# The glyphs of the game's texts, rasterised at build time as Wine draws
# them, by a program built for this machine rather than for WebAssembly.
include(ExternalProject)
set(VEXAL_GLYPHS_TOOL ${CMAKE_BINARY_DIR}/glyphs/vexal-glyphs)
ExternalProject_Add(vexal_glyphs_tool
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools/glyphs
  BINARY_DIR ${CMAKE_BINARY_DIR}/glyphs
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${VEXAL_GLYPHS_TOOL})

file(GLOB VEXAL_PAGE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/web/*)
file(GLOB VEXAL_PAGE_TOOL CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/web-page/*.py)
set(VEXAL_PAGE ${CMAKE_BINARY_DIR}/vexal.html)
# build/web/app: the same page as index.html with what installs it and keeps
# it offline; scripts/package ships it as dist/web.
set(VEXAL_APP ${CMAKE_BINARY_DIR}/app)
set(VEXAL_APP_FILES index.html manifest.webmanifest service-worker.js icon-192.png icon-512.png)
list(TRANSFORM VEXAL_APP_FILES PREPEND ${VEXAL_APP}/)
add_custom_command(OUTPUT ${VEXAL_PAGE} ${VEXAL_APP_FILES}
  COMMAND ${VEXAL_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/tools/web-page/make_page.py
          --source ${CMAKE_SOURCE_DIR} --wasm ${VEXAL_WASM} --out ${VEXAL_PAGE} --app ${VEXAL_APP}
          --glyphs ${VEXAL_GLYPHS_TOOL}
  DEPENDS ${VEXAL_WASM} ${VEXAL_PAGE_FILES} ${VEXAL_PAGE_TOOL} ${VEXAL_GLYPHS_TOOL} vexal_glyphs_tool
          ${CMAKE_SOURCE_DIR}/res/dialogs.rc ${CMAKE_SOURCE_DIR}/res/vexal.rc
          ${CMAKE_SOURCE_DIR}/res/vexal.ico ${CMAKE_SOURCE_DIR}/res/about_logo.bmp
          ${CMAKE_SOURCE_DIR}/res/about_mask.bmp ${CMAKE_SOURCE_DIR}/res/system-font.txt
  COMMENT "Writing the page vexal.html and the installable copy app/")
add_custom_target(vexal_page ALL DEPENDS ${VEXAL_PAGE} ${VEXAL_APP_FILES})

# The benchmarks' WebAssembly (tools/bench-page).
add_subdirectory(${CMAKE_SOURCE_DIR}/tools/bench-page ${CMAKE_BINARY_DIR}/tools/bench-page)
