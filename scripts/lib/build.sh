# Builds Vexal.exe with mingw-w64, and the page with clang for WebAssembly.
# Source it from bash.
#
#   vexal_build_exe ARCH BUILD_DIR [JOBS]
#       configures BUILD_DIR for win32 (i686) or win64 (x86-64) and builds
#       BUILD_DIR/Vexal.exe; fast when it is current.
#   vexal_build_page BUILD_DIR [JOBS]
#       configures BUILD_DIR for wasm32 and builds BUILD_DIR/vexal.html.

vexal_build_exe() {
  local arch=$1 build=$2 jobs=${3:-2} root toolchain
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  case "$arch" in
    win32) toolchain=$root/cmake/mingw-i686.cmake ;;
    win64) toolchain=$root/cmake/mingw-x86_64.cmake ;;
    *) echo "build: unknown build '$arch' (win32 or win64)" >&2; return 1 ;;
  esac
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null &&
    cmake --build "$build" -j "$jobs"
}

vexal_build_page() {
  local build=$1 jobs=${2:-2} root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/wasm32.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null &&
    cmake --build "$build" -j "$jobs"
}
