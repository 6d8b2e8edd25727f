# Starts Vexal.exe for a player: the build this machine runs (the 32-bit one
# where it can, else the 64-bit one), a Wine prefix of the game's own and the
# high-score file kept beside it. scripts/play and the installed launcher
# both come here. Source it from bash.
#
#   vexal_launch NAME WIN32_EXE WIN64_EXE DATA_DIR
#       NAME prefixes every message. DATA_DIR gets the prefixes (wine-prefix
#       for win32, wine-prefix-win64) and the folder game/, the game's current
#       folder, where it keeps vexalrec.res. VEXAL_PLAY_ARCH=win32|win64 forces
#       a build. Returns 0 when the game ends with code 0; any failure is
#       explained: what failed, the likely cause and what to do.

# shellcheck source=wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

vexal_launch() {
  local name=$1 exe32=$2 exe64=$3 data=$4
  if [ -z "${DISPLAY:-}" ]; then
    cat >&2 <<MSG
$name: no X display (DISPLAY is not set), so there is nowhere to show the game.
  Start it from a graphical session, or in a headless X server:
    xvfb-run -s '-screen 0 1024x768x24' $name
MSG
    return 1
  fi
  if command -v xdpyinfo >/dev/null 2>&1 && ! xdpyinfo >/dev/null 2>&1; then
    echo "$name: the X display $DISPLAY does not answer; check that it runs and that this user may use it (xhost, XAUTHORITY)" >&2
    return 1
  fi
  if [ ! -x "$VEXAL_WINE32_LOADER" ] && [ ! -x "$VEXAL_WINE64_LOADER" ]; then
    echo "$name: Wine is not installed; install the packages wine and wine64 (and wine32:i386 where 32-bit programs run)" >&2
    return 1
  fi

  vexal_choose_arch "${VEXAL_PLAY_ARCH:-}" || return 1
  local exe=$exe32 prefix=$data/wine-prefix
  if [ "$VEXAL_ARCH" = win64 ]; then
    exe=$exe64
    prefix=$data/wine-prefix-win64
    [ -n "${VEXAL_PLAY_ARCH:-}" ] || echo "$name: $VEXAL_WHY, so the 64-bit build runs"
  fi
  if [ ! -f "$exe" ]; then
    echo "$name: the $VEXAL_ARCH build $exe is missing" >&2
    return 1
  fi
  mkdir -p "$data/game" || { echo "$name: cannot make the folder $data/game" >&2; return 1; }
  vexal_wine_prefix "$prefix" "" "$VEXAL_ARCH" || return 1

  # The high-score file is written to the current folder: keep it with the game.
  cd "$data/game" || return 1
  echo "$name: starting Vexal (high scores in $data/game)"
  local log=$prefix/vexal-wine.log code=0
  "$VEXAL_WINE" "$exe" 2>"$log" || code=$?
  if [ "$code" -ne 0 ]; then
    vexal_wine_explain "Vexal ended with exit code $code under $VEXAL_WINE" "$log"
    return 1
  fi
  return 0
}
