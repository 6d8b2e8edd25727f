#!/usr/bin/env bash
# Times the start-up of Vexal.exe, and of a benchmark-only build whose
# animation pauses return at once (build/bench-nopause-ARCH, never shipped),
# against a minimal window under Wine (headless), for the build this machine
# runs (VEXAL_E2E_ARCH=win32|win64 forces one).
# Usage: tools/bench-startup/bench-startup.sh [Vexal.exe] [rounds]
set -euo pipefail
# shellcheck source=wine-bench-env.sh
source "$(dirname "$0")/wine-bench-env.sh"
exe=$(realpath "${1:-$root/build/$VEXAL_ARCH/Vexal.exe}")
rounds=${2:-5}
[ -f "$exe" ] || { echo "bench-startup: $exe does not exist; build the cross build first" >&2; exit 1; }
toolchain=$root/cmake/mingw-i686.cmake
[ "$VEXAL_ARCH" = win64 ] && toolchain=$root/cmake/mingw-x86_64.cmake
nopause=$root/build/bench-nopause-$VEXAL_ARCH
cmake -S "$root" -B "$nopause" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DVEXAL_NO_PAUSES=ON >/dev/null
cmake --build "$nopause" -j "${VEXAL_JOBS:-2}" >/dev/null
exec python3 "$root/tools/bench-startup/bench_startup.py" --vexal "$exe" --minimal "$out/minimal_window.exe" \
  --vexal-nopause "$nopause/Vexal.exe" --rounds "$rounds"
