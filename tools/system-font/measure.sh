#!/usr/bin/env bash
# Measures the advances of the Wine prefix's system font, the font the game
# draws its own texts in, into res/system-font.txt, which the page lays its
# texts out with. Run it again when the prefix's fonts change.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
# shellcheck source=../../scripts/lib/wine-env.sh
source "$root/scripts/lib/wine-env.sh"
x86_64-w64-mingw32-gcc -O2 -o "$work/widths.exe" "$(dirname "$0")/system_font_widths.c" -lgdi32 -luser32
vexal_wine_prefix "$work/prefix" "" win64
vexal_xvfb_start
{
  echo "# The advance, in pixels, of each character the game draws in its windows' own font,"
  echo "# as Wine gives them in the game's prefix (tools/system-font/measure.sh)."
  "$VEXAL_WINE" "$work/widths.exe" | tr -d '\r'
} >"$root/res/system-font.txt"
vexal_stop
echo "measure: wrote $root/res/system-font.txt"
