#!/usr/bin/env bash
# Builds the minimal window and the probe with mingw-w64, then times the
# start-up of Vexal.exe against the minimal window under Wine (headless), for
# the build this machine runs (VEXAL_E2E_ARCH=win32|win64 forces one).
# Usage: tools/bench-startup/bench-startup.sh [Vexal.exe] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../../scripts/lib/machine.sh
source "$root/scripts/lib/machine.sh"
vexal_choose_arch "${VEXAL_E2E_ARCH:-}"
ARCH=${VEXAL_ARCH^^}
gcc=i686-w64-mingw32-gcc
[ "$VEXAL_ARCH" = win64 ] && gcc=x86_64-w64-mingw32-gcc
echo "bench-startup: the $VEXAL_ARCH build, since $VEXAL_WHY"
exe=$(realpath "${1:-$root/build/$VEXAL_ARCH/Vexal.exe}")
rounds=${2:-5}
[ -f "$exe" ] || { echo "bench-startup: $exe does not exist; build the cross build first" >&2; exit 1; }
out=$root/build-bench-startup/$VEXAL_ARCH
mkdir -p "$out"
$gcc -O2 -mwindows -o "$out/minimal_window.exe" "$root/tools/bench-startup/minimal_window.c"
$gcc -O2 -municode -o "$out/win_probe.exe" "$root/tests/e2e/probe/win_probe.c"
export VEXAL_E2E_ARCH=$VEXAL_ARCH VEXAL_E2E_WORK=$out VEXAL_E2E_ARTIFACTS=$out/artifacts
export "VEXAL_PROBE_$ARCH=$out/win_probe.exe" "VEXAL_MINIMAL_$ARCH=$out/minimal_window.exe"
export VEXAL_WINE_LIB=$root/scripts/lib/wine-env.sh PYTHONDONTWRITEBYTECODE=1
exec python3 "$root/tools/bench-startup/bench_startup.py" --vexal "$exe" --minimal "$out/minimal_window.exe" \
  --rounds "$rounds"
