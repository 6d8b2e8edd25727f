# Shared by the Wine benchmarks (bench-startup.sh, bench-runtime.sh): picks the
# build this machine runs (VEXAL_E2E_ARCH=win32|win64 forces one), builds the
# minimal window and the probe with mingw-w64 into build-bench-startup/ARCH and
# exports what the end-to-end harness needs. Source it from bash; it sets root,
# VEXAL_ARCH and out.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=../../scripts/lib/machine.sh
source "$root/scripts/lib/machine.sh"
vexal_choose_arch "${VEXAL_E2E_ARCH:-}"
ARCH=${VEXAL_ARCH^^}
gcc=i686-w64-mingw32-gcc
[ "$VEXAL_ARCH" = win64 ] && gcc=x86_64-w64-mingw32-gcc
echo "$(basename "$0"): the $VEXAL_ARCH build, since $VEXAL_WHY"
out=$root/build-bench-startup/$VEXAL_ARCH
mkdir -p "$out"
$gcc -O2 -mwindows -o "$out/minimal_window.exe" "$root/tools/bench-startup/minimal_window.c"
$gcc -O2 -municode -o "$out/win_probe.exe" "$root/tests/e2e/probe/win_probe.c"
export VEXAL_E2E_ARCH=$VEXAL_ARCH VEXAL_E2E_WORK=$out VEXAL_E2E_ARTIFACTS=$out/artifacts
export "VEXAL_PROBE_$ARCH=$out/win_probe.exe" "VEXAL_MINIMAL_$ARCH=$out/minimal_window.exe"
export VEXAL_WINE_LIB=$root/scripts/lib/wine-env.sh PYTHONDONTWRITEBYTECODE=1
