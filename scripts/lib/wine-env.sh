# Shell functions for running Vexal.exe under Wine: the prefix, a headless X
# server, the virtual desktop, waiting for windows, screenshots and a clean
# stop. Source it from bash; every function prints its errors to stderr and
# returns non-zero on failure.
#
#   vexal_wine_env PREFIX [ARCH]    export the environment for PREFIX, a prefix
#                                   of the win32 (default) or win64 build;
#                                   VEXAL_WINE is the loader that runs its programs
#   vexal_wine_prefix PREFIX [WxH] [ARCH]
#                                   create or refresh PREFIX (fast when current);
#                                   with WxH every program of the prefix runs in
#                                   one Wine virtual desktop "Vexal" of that size
#   vexal_xvfb_start [WxH]          start Xvfb on a free display, export DISPLAY
#   vexal_desktop_start NAME WxH EXE [ARGS...]
#                                   start EXE inside a Wine virtual desktop
#   vexal_wait_window TITLE [SECS]  print the X id of the first window titled TITLE
#   vexal_screenshot FILE [WINDOW]  capture the root window (or WINDOW) to FILE
#   vexal_stop                      end Wine in the prefix, then our Xvfb

VEXAL_WINE_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=machine.sh
source "$VEXAL_WINE_LIB_DIR/machine.sh"

# The program's own strings are GBK: Wine maps the ANSI calls to code page 936
# only under a Chinese locale. The overrides keep Wine from offering to
# install Mono and Gecko, which nothing here needs, and from adding its own
# entries and file types to the player's desktop menus.
vexal_wine_env() {
  local prefix=$1 arch=${2:-win32}
  VEXAL_WINE=$(vexal_wine_loader "$arch") || return 1
  export WINEPREFIX=$prefix
  export WINEARCH=$arch
  # Programs that Wine starts itself use the same loader.
  export WINELOADER=$VEXAL_WINE
  export WINEDEBUG=${VEXAL_WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export LANG=zh_CN.UTF-8
  export LC_ALL=zh_CN.UTF-8
}

# The classic Windows colour scheme, as registry values.
vexal_classic_colours() {
  cat <<'EOF'
"ActiveBorder"="192 192 192"
"ActiveTitle"="0 0 128"
"AppWorkSpace"="128 128 128"
"Background"="0 128 128"
"ButtonAlternateFace"="192 192 192"
"ButtonDkShadow"="0 0 0"
"ButtonFace"="192 192 192"
"ButtonHilight"="255 255 255"
"ButtonLight"="192 192 192"
"ButtonShadow"="128 128 128"
"ButtonText"="0 0 0"
"GradientActiveTitle"="16 132 208"
"GradientInactiveTitle"="192 192 192"
"GrayText"="128 128 128"
"Hilight"="0 0 128"
"HilightText"="255 255 255"
"HotTrackingColor"="0 0 255"
"InactiveBorder"="192 192 192"
"InactiveTitle"="128 128 128"
"InactiveTitleText"="192 192 192"
"InfoText"="0 0 0"
"InfoWindow"="255 255 225"
"Menu"="192 192 192"
"MenuBar"="192 192 192"
"MenuHilight"="0 0 128"
"MenuText"="0 0 0"
"Scrollbar"="192 192 192"
"TitleText"="255 255 255"
"Window"="255 255 255"
"WindowFrame"="0 0 0"
"WindowText"="0 0 0"
EOF
}

# Registry settings the prefix gets: the dialog and menu faces that the
# resources name have no CJK glyphs in Wine's own fonts, so they are mapped to
# a font that has them. Wine draws the caption buttons with Marlett, which it
# does not find in its data folder by itself: without it they show letters.
# The classic colour scheme, with Wine's own theme off: the panel's embossed
# white labels and the bevels were drawn for a grey button face, and Wine's
# default face is nearly white. A desktop size puts every program into one
# virtual desktop, so that `wine Vexal.exe` both runs there and returns the
# exit code.
vexal_wine_reg_text() {
  local desktop=${1:-}
  cat <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"Tahoma"="WenQuanYi Micro Hei"
"MS Shell Dlg"="WenQuanYi Micro Hei"
"MS Shell Dlg 2"="WenQuanYi Micro Hei"
"MS Sans Serif"="WenQuanYi Micro Hei"
"Microsoft Sans Serif"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"NSimSun"="WenQuanYi Micro Hei"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts]
"Marlett (TrueType)"="marlett.ttf"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\ThemeManager]
"ThemeActive"="0"
"DllName"=""
EOF
  # Wine restores the second copy when a theme is switched off.
  local key
  for key in 'Control Panel\Colors' 'Software\Microsoft\Windows\CurrentVersion\ThemeManager\Control Panel\Colors'; do
    printf '\n[HKEY_CURRENT_USER\\%s]\n' "$key"
    vexal_classic_colours
  done
  if [ -n "$desktop" ]; then
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\n"Desktop"="Vexal"\n'
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n"Vexal"="%s"\n' "$desktop"
  else
    # Without a size every window is the window manager's: no desktop is left over.
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\n"Desktop"=-\n'
  fi
}

# Creates the prefix on first use; later calls compare a stamp of the Wine
# version and the registry text and return at once when both still match.
vexal_wine_prefix() {
  local prefix=$1 desktop=${2:-} arch=${3:-win32}
  vexal_wine_env "$prefix" "$arch" || return 1
  if [ ! -x "$VEXAL_WINE" ]; then
    vexal_wine_explain "the Wine loader $VEXAL_WINE for the $arch build is not installed" "" \
      "run scripts/setup, which installs wine, wine32:i386 and wine64"
    return 1
  fi
  local stamp_file=$prefix/.vexal-stamp
  local stamp
  stamp="$arch $("$VEXAL_WINE" --version 2>/dev/null) $(vexal_wine_reg_text "$desktop" | cksum)"
  if [ -f "$prefix/system.reg" ] && [ -f "$stamp_file" ] && [ "$(cat "$stamp_file")" = "$stamp" ]; then
    return 0
  fi
  mkdir -p "$prefix" || { vexal_wine_explain "the folder $prefix could not be made" "" \
    "check that its parent folder exists and is writable"; return 1; }
  local log=$prefix/vexal-wine.log
  if [ ! -f "$prefix/system.reg" ]; then
    echo "wine-env: creating the $arch Wine prefix $prefix (once)" >&2
    if ! "$VEXAL_WINE" wineboot -i >"$log" 2>&1; then
      vexal_wine_explain "Wine could not set up the prefix $prefix ($VEXAL_WINE wineboot -i)" "$log"
      return 1
    fi
    wineserver -w
  fi
  local marlett
  for marlett in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf; do
    if [ -f "$marlett" ]; then
      cp "$marlett" "$prefix/drive_c/windows/Fonts/marlett.ttf"
      break
    fi
  done
  local reg=$prefix/vexal-settings.reg
  vexal_wine_reg_text "$desktop" >"$reg"
  if ! "$VEXAL_WINE" regedit "$reg" >"$log" 2>&1; then
    vexal_wine_explain "Wine could not write the settings into $prefix ($VEXAL_WINE regedit)" "$log"
    return 1
  fi
  wineserver -w
  if ! grep -q 'WenQuanYi Micro Hei' "$prefix/system.reg"; then
    echo "wine-env: the font substitutes did not reach $prefix/system.reg" >&2
    return 1
  fi
  printf '%s\n' "$stamp" >"$stamp_file"
}

# Says what failed, the likely cause (read from Wine's own output in LOG when
# there is one) and what to do, instead of a bare "failed".
vexal_wine_explain() {
  local what=$1 log=${2:-} todo=${3:-} text= cause advice=
  [ -n "$log" ] && [ -f "$log" ] && text=$(grep -v -e ':fixme:' -e 'Unhandled type' "$log" | tail -n 5)
  case "$text" in
    *"Exec format error"*|*"cannot execute binary file"*)
      cause="this machine cannot run 32-bit programs (its kernel may have 32-bit emulation disabled)"
      advice="use the 64-bit build: scripts/play picks it by itself; for the tests set VEXAL_E2E_ARCH=win64" ;;
    *"is a 64-bit installation"*|*"is a 32-bit installation"*)
      cause="the prefix was made for the other build (win32 and win64 need prefixes of their own)"
      advice="remove $WINEPREFIX and run again" ;;
    *"not owned by you"*)
      cause="the prefix belongs to another user"
      advice="run as the owner of the prefix, or remove $WINEPREFIX" ;;
    *"No such file or directory"*|*"could not load"*|*"failed to load"*)
      cause="part of the Wine installation is missing"
      advice="run scripts/setup, which installs wine, wine32:i386 and wine64" ;;
    *)
      cause="not known from what Wine printed" ;;
  esac
  todo=${todo:-$advice}
  {
    echo "wine-env: $what."
    [ -n "$text" ] || [ -z "$log" ] || text="(Wine printed nothing)"
    [ -z "$text" ] || printf '  Wine said:\n%s\n' "$(printf '%s\n' "$text" | sed 's/^/    /')"
    [ -z "$log" ] || echo "  Likely cause: $cause."
    echo "  What to do: ${todo:-remove $WINEPREFIX and run again; if it fails again, run $VEXAL_WINE wineboot -i by hand to see everything Wine prints}."
  } >&2
}

# Picks the first display number without a lock file or socket.
vexal_free_display() {
  local n
  for n in $(seq 90 199); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      echo "$n"
      return 0
    fi
  done
  return 1
}

VEXAL_XVFB_PID=
vexal_xvfb_start() {
  local size=${1:-1024x768}
  local n
  n=$(vexal_free_display) || { echo "wine-env: no free X display" >&2; return 1; }
  Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  VEXAL_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    if xdpyinfo >/dev/null 2>&1 || xwininfo -root >/dev/null 2>&1; then
      return 0
    fi
    if ! kill -0 "$VEXAL_XVFB_PID" 2>/dev/null; then
      break
    fi
    sleep 0.05
  done
  echo "wine-env: Xvfb did not come up on $DISPLAY" >&2
  return 1
}

VEXAL_DESKTOP_PID=
vexal_desktop_start() {
  local name=$1 size=$2
  shift 2
  "$VEXAL_WINE" explorer "/desktop=$name,$size" "$@" >/dev/null 2>&1 &
  VEXAL_DESKTOP_PID=$!
}

vexal_wait_window() {
  local title=$1 secs=${2:-30}
  local deadline=$((SECONDS + secs)) id
  while [ $SECONDS -le $deadline ]; do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "wine-env: no window titled '$title' within ${secs}s" >&2
  return 1
}

vexal_screenshot() {
  local file=$1 window=${2:-root}
  import -window "$window" "$file"
}

vexal_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  if [ -n "$VEXAL_DESKTOP_PID" ]; then
    wait "$VEXAL_DESKTOP_PID" 2>/dev/null || true
    VEXAL_DESKTOP_PID=
  fi
  if [ -n "$VEXAL_XVFB_PID" ]; then
    kill "$VEXAL_XVFB_PID" 2>/dev/null || true
    wait "$VEXAL_XVFB_PID" 2>/dev/null || true
    VEXAL_XVFB_PID=
  fi
}
