#!/usr/bin/env bash
# Says which build the end-to-end suite runs on this machine and why, then
# makes the Wine prefixes it needs: the suite's, and the 64-bit one of the
# smoke module. Usage: prepare_wine.sh WORK_FOLDER
set -euo pipefail
work=$1
# shellcheck source=../../scripts/lib/wine-env.sh
source "$VEXAL_WINE_LIB"
vexal_e2e_plan
mkdir -p "$work"
vexal_wine_prefix "$work/prefix-$VEXAL_ARCH" 1024x768 "$VEXAL_ARCH"
if [ "$VEXAL_ARCH" != win64 ]; then
  vexal_wine_prefix "$work/prefix-win64" 1024x768 win64
fi
