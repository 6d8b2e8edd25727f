#!/usr/bin/env bash
# Memory and CPU of the running Vexal.exe, idle and with a ball bouncing,
# against a minimal window under the same Wine (headless), for the build this
# machine runs (VEXAL_E2E_ARCH=win32|win64 forces one).
# Usage: tools/bench-runtime/bench-runtime.sh [Vexal.exe] [seconds]
set -euo pipefail
# shellcheck source=../bench-startup/wine-bench-env.sh
source "$(dirname "$0")/../bench-startup/wine-bench-env.sh"
exe=$(realpath "${1:-$root/build/$VEXAL_ARCH/Vexal.exe}")
[ -f "$exe" ] || { echo "bench-runtime: $exe does not exist; build the cross build first" >&2; exit 1; }
exec python3 "$root/tools/bench-runtime/bench_runtime.py" --vexal "$exe" --minimal "$out/minimal_window.exe" \
  --seconds "${2:-10}"
