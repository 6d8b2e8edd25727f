#!/usr/bin/env bash
# Builds the minimal window and the probe with mingw-w64, then times the
# start-up of Vexal.exe against the minimal window under Wine (headless).
# Usage: tools/bench-startup/bench-startup.sh [Vexal.exe] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$(realpath "${1:-$root/build/win32/Vexal.exe}")
rounds=${2:-5}
[ -f "$exe" ] || { echo "bench-startup: $exe does not exist; build the cross build first" >&2; exit 1; }
out=$root/build-bench-startup
mkdir -p "$out"
i686-w64-mingw32-gcc -O2 -mwindows -o "$out/minimal_window.exe" "$root/tools/bench-startup/minimal_window.c"
i686-w64-mingw32-gcc -O2 -municode -o "$out/win_probe.exe" "$root/tests/e2e/probe/win_probe.c"
export VEXAL_E2E_WORK=$out VEXAL_E2E_ARTIFACTS=$out/artifacts VEXAL_PROBE=$out/win_probe.exe
export VEXAL_WINE_LIB=$root/scripts/lib/wine-env.sh PYTHONDONTWRITEBYTECODE=1
exec python3 "$root/tools/bench-startup/bench_startup.py" --vexal "$exe" --minimal "$out/minimal_window.exe" \
  --rounds "$rounds"
