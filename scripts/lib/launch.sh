# Starts Vexal.exe for a player: the build this machine runs (the 32-bit one
# where it can, else the 64-bit one), a Wine prefix of the game's own and the
# high-score file kept beside it. scripts/play and the installed launcher
# (/usr/games/vexal) both come here. Source it from bash.
#
#   vexal_data_dir NAME
#       prints the game's folder, ${XDG_DATA_HOME:-~/.local/share}/vexal
#   vexal_cjk_locale NAME DATA_DIR
#       makes sure Wine can use the zh_CN.UTF-8 locale (see below)
#   vexal_launch NAME WIN32_EXE WIN64_EXE DATA_DIR
#       NAME prefixes every message. DATA_DIR gets the prefixes (wine-prefix
#       for win32, wine-prefix-win64) and the folder game/, the game's current
#       folder, where it keeps vexalrec.res. VEXAL_PLAY_ARCH=win32|win64 forces
#       a build. Returns 0 when the game ends with code 0; any failure is
#       explained: what failed, the likely cause and what to do.

# shellcheck source=wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

# The folder that the XDG base directories give a game's data. A relative
# XDG_DATA_HOME is invalid there and so ignored, as other programs do.
vexal_data_dir() {
  local name=$1 base=${XDG_DATA_HOME:-}
  if [ -n "$base" ] && [ "${base#/}" = "$base" ]; then
    echo "$name: XDG_DATA_HOME=$base is not an absolute path, so it is ignored" >&2
    base=
  fi
  if [ -z "$base" ]; then
    if [ -z "${HOME:-}" ] || [ "${HOME#/}" = "$HOME" ]; then
      echo "$name: neither XDG_DATA_HOME nor HOME names an absolute folder, so there is nowhere to keep the game's files; set HOME" >&2
      return 1
    fi
    base=$HOME/.local/share
  fi
  printf '%s\n' "$base/vexal"
}

# Wine takes code page 936 from the locale's name alone, but it converts
# file names through the locale's character set: without zh_CN.UTF-8
# installed, a folder whose name is not plain ASCII (a home named in
# Chinese) cannot be the game's current folder, and the high-score file
# would land elsewhere. Where the system lacks the locale, the game compiles
# a copy of its own into DATA_DIR/locale (no root needed, once) and points
# LOCPATH there.
vexal_cjk_locale() {
  local name=$1 data=$2 want=zh_CN.UTF-8
  [ "$(LC_ALL=$want locale charmap 2>/dev/null)" = UTF-8 ] && return 0
  local dir=$data/locale out=
  if [ "$(LOCPATH=$dir LC_ALL=$want locale charmap 2>/dev/null)" != UTF-8 ]; then
    echo "$name: this system has no $want locale; making one for the game in $dir (once)"
    # localedef also reports warnings through its exit code: the test
    # below tells whether the locale came out usable.
    out=$(mkdir -p "$dir" 2>&1 && localedef -i zh_CN -f UTF-8 "$dir/$want" 2>&1)
  fi
  if [ "$(LOCPATH=$dir LC_ALL=$want locale charmap 2>/dev/null)" = UTF-8 ]; then
    export LOCPATH=$dir
    return 0
  fi
  {
    echo "$name: the $want locale is missing and could not be made in $dir."
    [ -z "$out" ] || printf '  localedef said:\n%s\n' "$(printf '%s\n' "$out" | tail -n 3 | sed 's/^/    /')"
    echo "  What to do: install the package locales-all, or run 'sudo dpkg-reconfigure locales' and select $want."
  } >&2
  # Only a folder name beyond ASCII needs the locale; elsewhere the game runs as well without it.
  if printf '%s' "$data" | LC_ALL=C grep -q '[^ -~]'; then
    echo "$name: $data is not plain ASCII, so the game cannot keep its files there without the locale" >&2
    return 1
  fi
  echo "$name: starting all the same: $data is plain ASCII" >&2
  return 0
}

vexal_launch() {
  local name=$1 exe32=$2 exe64=$3 data=$4
  if [ -z "${DISPLAY:-}" ]; then
    cat >&2 <<MSG
$name: no X display (DISPLAY is not set), so there is nowhere to show the game.
  Start it from a graphical session: from the desktop's menu (Games) or a terminal there.
  Without a screen it runs in a headless X server:  xvfb-run -s '-screen 0 1024x768x24' $name
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
    if [ ! -x "$VEXAL_WINE64_LOADER" ]; then
      echo "$name: the 64-bit build needs the 64-bit Wine $VEXAL_WINE64_LOADER, which is not installed; install the package wine64" >&2
      return 1
    fi
  fi
  if [ ! -f "$exe" ]; then
    echo "$name: the $VEXAL_ARCH build $exe is missing" >&2
    return 1
  fi
  mkdir -p "$data/game" || { echo "$name: cannot make the folder $data/game" >&2; return 1; }
  vexal_cjk_locale "$name" "$data" || return 1
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
