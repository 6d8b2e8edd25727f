# Shell functions for running Vexal.exe under Wine: the prefix, a headless X
# server, the virtual desktop, waiting for windows, screenshots and a clean
# stop. Source it from bash; every function gives its errors through
# vexal_tell (machine.sh), which prints them to stderr, and returns non-zero
# on failure.
#
#   vexal_wine_env PREFIX [ARCH]    export the environment for PREFIX, a prefix
#                                   of the win32 (default) or win64 build;
#                                   VEXAL_WINE is the loader that runs its programs
#   vexal_wine_prefix PREFIX [WxH] [ARCH]
#                                   create or refresh PREFIX (fast when current);
#                                   with WxH every program of the prefix runs in
#                                   one Wine virtual desktop "Vexal" of that size;
#                                   a damaged prefix is made again, a failed or
#                                   interrupted first one removed
#   vexal_prefix_current PREFIX [WxH] [ARCH]
#                                   succeeds when vexal_wine_prefix has nothing to do
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
  # Wine's own messages quote the C library's (strerror), which the locale
  # would put into Chinese; the launcher quotes them to players in plain
  # English. LANGUAGE changes no text of Wine's programs or of the game.
  export LANGUAGE=en
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

# What a prefix takes on disk, measured with du -sk right after a first
# start (Wine 8.0 on Debian 12): 602688 KiB for win32 and 1295896 KiB for
# win64, which holds both the 64- and the 32-bit DLLs. A first start asks for
# a little more, so that it never fills a disk to the last block.
vexal_prefix_needs_mb() {
  case "$1" in
    win64) echo 1330 ;;
    *) echo 620 ;;
  esac
}

# The space left, in MB (MiB), on the disk that holds PATH or, while PATH does
# not exist yet, its nearest folder that does.
vexal_free_mb() {
  local dir=$1
  while [ ! -d "$dir" ] && [ "$dir" != / ]; do dir=$(dirname "$dir"); done
  LC_ALL=C df -Pk -- "$dir" 2>/dev/null | awk 'NR == 2 { print int($4 / 1024) }'
}

# A file for a program's output that stays readable when the game's own disk
# is full: the session's runtime folder (memory on most desktops), else
# TMPDIR or /tmp. Prints nothing and fails when none can be written.
vexal_temp_file() {
  local dir
  for dir in "${XDG_RUNTIME_DIR:-}" "${TMPDIR:-}" /tmp /dev/shm; do
    if [ -n "$dir" ] && [ -d "$dir" ] && [ -w "$dir" ] && mktemp "$dir/vexal-wine.XXXXXX" 2>/dev/null; then
      return 0
    fi
  done
  return 1
}

# Runs a command without the launcher's lock (VEXAL_LOCK_FD): Wine's server
# outlives the programs it serves and would go on holding the lock.
vexal_run() {
  ( vexal_drop_lock; exec "$@" )
}

# Closes the lock in a subshell that is about to become another program, so
# that the subshell's number, $!, stays the program's.
vexal_drop_lock() {
  if [ -n "${VEXAL_LOCK_FD:-}" ]; then exec {VEXAL_LOCK_FD}>&-; fi
  return 0
}

# Messages that stay up while something slow runs: the launcher shows them in
# a box until vexal_busy_end (launch.sh); here they are plain notices.
vexal_busy() {
  vexal_tell notice "$1"
}
vexal_busy_end() {
  return 0
}

# The stamp of a current prefix: the build, the Wine version and the settings.
vexal_prefix_stamp() {
  local desktop=$1 arch=$2
  printf '%s %s %s\n' "$arch" "$(vexal_run "$VEXAL_WINE" --version 2>/dev/null)" \
    "$(vexal_wine_reg_text "$desktop" | cksum)"
}

# Why the prefix PREFIX cannot be used as it is, or nothing. A whole
# system.reg holds more than 1.5 MB (1657412 bytes for win32, 2926844 for
# win64 here); wineboot run on a prefix whose system.reg was deleted writes a
# stub of about 10 KB, and a first start cut short leaves a registry of 60 KB
# to 1.4 MB and no stamp, which is written last. The game's settings in the
# registry tell a prefix marked current from one whose registry was replaced.
vexal_prefix_damage() {
  local prefix=$1 stamp=$2 reg size
  for reg in system.reg user.reg; do
    if [ ! -e "$prefix/$reg" ]; then
      echo "its registry file $reg is missing"
      return 0
    fi
    size=$(stat -c %s "$prefix/$reg" 2>/dev/null || echo 0)
    if [ "$size" -eq 0 ]; then
      echo "its registry file $reg is empty"
      return 0
    fi
  done
  size=$(stat -c %s "$prefix/system.reg")
  if [ "$size" -lt $((512 * 1024)) ]; then
    echo "its registry file system.reg holds only $((size / 1024)) KB, where a whole one holds more than 1500 KB"
    return 0
  fi
  if [ ! -f "$prefix/.vexal-stamp" ]; then
    echo "the start that made it was cut short before it finished"
    return 0
  fi
  if [ "$(cat "$prefix/.vexal-stamp")" = "$stamp" ]; then
    if ! grep -q '^"ThemeActive"="0"' "$prefix/user.reg" ||
       ! grep -q '^"MS Shell Dlg"="WenQuanYi Micro Hei"' "$prefix/system.reg"; then
      echo "its registry lacks the game's settings, although the prefix is marked as set up"
    fi
  fi
  return 0
}

# Succeeds when PREFIX is set up and current for DESKTOP and ARCH, so that
# vexal_wine_prefix would return at once.
vexal_prefix_current() {
  local prefix=$1 desktop=${2:-} arch=${3:-win32} stamp
  vexal_wine_env "$prefix" "$arch" || return 1
  [ -x "$VEXAL_WINE" ] && [ -f "$prefix/.vexal-stamp" ] || return 1
  stamp=$(vexal_prefix_stamp "$desktop" "$arch")
  [ "$(cat "$prefix/.vexal-stamp")" = "$stamp" ] && [ -z "$(vexal_prefix_damage "$prefix" "$stamp")" ]
}

# One step of making a prefix: the command runs in the background, its output
# appended to LOG, so that a signal is handled at once rather than after it.
VEXAL_STEP_PID=
vexal_prefix_step() {
  local log=${1:-/dev/null}
  shift
  ( vexal_drop_lock; exec "$@" ) >>"$log" 2>&1 &
  VEXAL_STEP_PID=$!
  local code=0
  wait "$VEXAL_STEP_PID" || code=$?
  VEXAL_STEP_PID=
  return "$code"
}

# The processes started in prefix $1 (WINEPREFIX in their environment), this shell
# and the processes it runs in left out. Only builtins read /proc, so listing costs
# no process per entry.
vexal_prefix_processes() {
  local mark="WINEPREFIX=$1" entry pid var stat rest ours=" " up=${BASHPID:-$$}
  # This shell and its callers may have been started with that WINEPREFIX.
  while [ -n "$up" ] && [ "$up" -gt 1 ]; do
    ours="$ours$up "
    IFS= read -r stat < "/proc/$up/stat" 2>/dev/null || break
    rest=${stat##*) }
    rest=${rest#* }
    up=${rest%% *}
  done
  for entry in /proc/[0-9]*; do
    pid=${entry#/proc/}
    case $ours in *" $pid "*) continue ;; esac
    while IFS= read -r -d '' var; do
      if [ "$var" = "$mark" ]; then
        echo "$pid"
        break
      fi
    done 2>/dev/null < "$entry/environ"
  done
}

# Ends every Wine program of the prefix being made and removes all of it.
VEXAL_BUILD_PREFIX= VEXAL_BUILD_LOG=
vexal_prefix_discard() {
  if [ -n "$VEXAL_STEP_PID" ]; then
    kill -KILL "$VEXAL_STEP_PID" 2>/dev/null || true
    wait "$VEXAL_STEP_PID" 2>/dev/null || true
    VEXAL_STEP_PID=
  fi
  WINEPREFIX=$VEXAL_BUILD_PREFIX vexal_run wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$VEXAL_BUILD_PREFIX vexal_run wineserver -w >/dev/null 2>&1 || true
  # A program that was starting when the server was told to end never became its
  # client and outlives it (a services.exe was seen blocked for good); it would keep
  # files of the prefix open, or write new ones, while they are removed.
  local left tries=0
  left=$(vexal_prefix_processes "$VEXAL_BUILD_PREFIX")
  while [ -n "$left" ] && [ "$tries" -lt 50 ]; do
    # shellcheck disable=SC2086  # one pid per word
    kill -KILL $left 2>/dev/null || true
    sleep 0.1
    tries=$((tries + 1))
    left=$(vexal_prefix_processes "$VEXAL_BUILD_PREFIX")
  done
  LC_ALL=C rm -rf -- "$VEXAL_BUILD_PREFIX" 2>/dev/null || true
}

vexal_prefix_interrupted() {
  local signal=$1 number=$2
  # A second Ctrl+C does not cut the cleaning short.
  trap '' INT TERM HUP
  vexal_busy_end
  vexal_prefix_discard
  [ -z "$VEXAL_BUILD_LOG" ] || rm -f "$VEXAL_BUILD_LOG"
  local left="the half-made prefix was removed, so nothing is left half-done"
  [ ! -e "$VEXAL_BUILD_PREFIX" ] || left="the half-made prefix could not be removed entirely: remove $VEXAL_BUILD_PREFIX by hand"
  vexal_tell notice "${VEXAL_MSG_NAME:-wine-env}: the first start was stopped by SIG$signal while it made the Wine prefix $VEXAL_BUILD_PREFIX; $left.${VEXAL_PREFIX_NOTE:+ $VEXAL_PREFIX_NOTE}
  What to do: nothing; start the game again when you want to play (the first start takes about half a minute)."
  exit $((128 + number))
}

# Creates the prefix on first use; later calls compare a stamp of the Wine
# version and the registry text and return at once when both still match and
# the registry is whole. A damaged prefix is removed and made again; a first
# start that fails or is stopped by SIGINT, SIGTERM or SIGHUP removes what it
# made. Wine's output is kept in a temporary file outside the prefix, whose
# disk may be full, and quoted when a step fails. VEXAL_PREFIX_NOTE, when
# set, is added to the messages about a removed prefix.
vexal_wine_prefix() {
  local prefix=$1 desktop=${2:-} arch=${3:-win32} name=${VEXAL_MSG_NAME:-wine-env}
  vexal_wine_env "$prefix" "$arch" || return 1
  if [ ! -x "$VEXAL_WINE" ]; then
    vexal_wine_explain "the Wine loader $VEXAL_WINE for the $arch build is not installed" "" \
      "install Wine: the packages wine, wine64 and, for the 32-bit build, wine32:i386 (scripts/setup installs them)"
    return 1
  fi
  local stamp_file=$prefix/.vexal-stamp stamp damage=
  stamp=$(vexal_prefix_stamp "$desktop" "$arch")
  if [ -e "$prefix" ]; then
    damage=$(vexal_prefix_damage "$prefix" "$stamp")
    if [ -z "$damage" ] && [ "$(cat "$stamp_file")" = "$stamp" ]; then
      return 0
    fi
  fi
  if [ -n "$damage" ]; then
    vexal_tell notice "$name: the Wine prefix $prefix cannot be used: $damage. It is removed and made again now, as on a first start.${VEXAL_PREFIX_NOTE:+ $VEXAL_PREFIX_NOTE}"
    local out
    if ! out=$(LC_ALL=C rm -rf -- "$prefix" 2>&1); then
      vexal_tell error "$name: the damaged Wine prefix $prefix could not be removed.
  rm said: $(printf '%s\n' "$out" | tail -n 1)
  What to do: remove that folder yourself (rm -rf '$prefix'), then start again."
      return 1
    fi
  fi

  local fresh=
  if [ ! -e "$prefix" ]; then
    fresh=1
    local needs free
    needs=$(vexal_prefix_needs_mb "$arch")
    free=$(vexal_free_mb "$prefix")
    if [ -n "$free" ] && [ "$free" -lt "$needs" ]; then
      vexal_tell error "$name: there is not enough room to make the Wine prefix $prefix: it needs about $needs MB, and the disk that holds it has $free MB free. Nothing was made.
  What to do: free at least $((needs - free)) MB on that disk, or set XDG_DATA_HOME to a folder on a disk with more room, then start again."
      return 1
    fi
  fi

  VEXAL_BUILD_PREFIX=$prefix
  VEXAL_BUILD_LOG=$(vexal_temp_file) || VEXAL_BUILD_LOG=
  local log=${VEXAL_BUILD_LOG:-/dev/null} traps
  traps=$(trap -p INT TERM HUP)
  if [ -n "$fresh" ]; then
    trap 'vexal_prefix_interrupted INT 2' INT
    trap 'vexal_prefix_interrupted TERM 15' TERM
    trap 'vexal_prefix_interrupted HUP 1' HUP
    vexal_busy "$name: making the $arch Wine prefix $prefix (once: about half a minute, $(vexal_prefix_needs_mb "$arch") MB)"
  fi
  local failed= todo=
  if ! LC_ALL=C mkdir -p -- "$prefix" 2>>"$log"; then
    failed="the folder $prefix could not be made"
    todo="check that $(dirname "$prefix") exists and that you may write there"
  elif [ -n "$fresh" ] && ! vexal_prefix_step "$log" "$VEXAL_WINE" wineboot -i; then
    failed="Wine could not set up the prefix $prefix ($VEXAL_WINE wineboot -i)"
  elif [ -n "$fresh" ] && ! vexal_prefix_step "$log" wineserver -w; then
    failed="the Wine server of $prefix did not end cleanly"
  fi
  if [ -z "$failed" ]; then
    local marlett
    for marlett in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf; do
      if [ -f "$marlett" ]; then
        if ! LC_ALL=C cp -f -- "$marlett" "$prefix/drive_c/windows/Fonts/marlett.ttf" 2>>"$log"; then
          failed="Wine's font Marlett could not be copied into $prefix"
        fi
        break
      fi
    done
  fi
  local reg=$prefix/vexal-settings.reg
  if [ -z "$failed" ]; then
    if ! vexal_wine_reg_text "$desktop" 2>>"$log" >"$reg"; then
      failed="the game's settings could not be written to $reg"
    elif ! vexal_prefix_step "$log" "$VEXAL_WINE" regedit "$reg"; then
      failed="Wine could not write the settings into $prefix ($VEXAL_WINE regedit)"
    elif ! vexal_prefix_step "$log" wineserver -w; then
      failed="the Wine server of $prefix did not end cleanly"
    elif ! grep -q '^"MS Shell Dlg"="WenQuanYi Micro Hei"' "$prefix/system.reg" 2>/dev/null ||
         ! grep -q '^"ThemeActive"="0"' "$prefix/user.reg" 2>/dev/null; then
      failed="the game's settings did not reach the registry of $prefix"
    elif ! printf '%s\n' "$stamp" 2>>"$log" >"$stamp_file"; then
      failed="the prefix $prefix could not be marked as set up"
    fi
  fi
  vexal_busy_end
  if [ -n "$failed" ]; then
    if [ -n "$fresh" ]; then
      vexal_prefix_discard
      failed="$failed. The half-made prefix was removed"
      [ ! -e "$prefix" ] || failed="$failed in part only: remove $prefix by hand"
    fi
    vexal_wine_explain "$failed" "$log" "$todo" "$prefix"
  fi
  [ -z "$VEXAL_BUILD_LOG" ] || rm -f "$VEXAL_BUILD_LOG"
  VEXAL_BUILD_LOG=
  trap - INT TERM HUP
  eval "$traps"
  [ -z "$failed" ]
}

# Says what failed, the likely cause (read from Wine's own output in LOG when
# there is one) and what to do, instead of a bare "failed". PREFIX, when
# given, is the prefix whose disk a "no space" is about.
vexal_wine_explain() {
  local what=$1 log=${2:-} todo=${3:-} prefix=${4:-${WINEPREFIX:-}} text= cause advice=
  local name=${VEXAL_MSG_NAME:-wine-env}
  [ "$log" != /dev/null ] || log=
  if [ -n "$log" ] && [ -f "$log" ]; then
    text=$(grep -v -e ':fixme:' -e 'Unhandled type' "$log" | tail -n 5 | LC_ALL=C cut -c 1-200) || true
  fi
  case "$text" in
    *"No space left on device"*|*"Disk quota exceeded"*)
      cause="the disk that holds $prefix is full"
      advice="free space on that disk (a first start needs about $(vexal_prefix_needs_mb "${WINEARCH:-win32}") MB), or set XDG_DATA_HOME to a folder on a disk with more room, then start again" ;;
    *"Read-only file system"*)
      cause="Wine may not write in $prefix: its disk is mounted read-only"
      advice="mount that disk read-write, or set XDG_DATA_HOME to a folder you can write to" ;;
    *"Permission denied"*)
      cause="Wine was refused a file or folder that it needs (named above)"
      advice="make that file or folder yours and writable (chown, chmod), or remove $prefix and start again" ;;
    *"Exec format error"*|*"cannot execute binary file"*)
      cause="this machine cannot run 32-bit programs (its kernel may have 32-bit emulation disabled)"
      advice="use the 64-bit build: scripts/play picks it by itself; for the tests set VEXAL_E2E_ARCH=win64" ;;
    *"is a 64-bit installation"*|*"is a 32-bit installation"*)
      cause="the prefix was made for the other build (win32 and win64 need prefixes of their own)"
      advice="remove $prefix and run again" ;;
    *"not owned by you"*)
      cause="the prefix belongs to another user"
      advice="run as the owner of the prefix, or remove $prefix" ;;
    *"No such file or directory"*|*"could not load"*|*"failed to load"*)
      cause="part of the Wine installation is missing"
      advice="install the packages wine, wine64 and wine32:i386 again (scripts/setup does it)" ;;
    *)
      cause="not known from what Wine printed" ;;
  esac
  todo=${todo:-$advice}
  local message
  message="$name: $what."
  [ -n "$text" ] || [ -z "$log" ] || text="(Wine printed nothing)"
  if [ -z "$log" ] && [ -n "${2:-}" ]; then
    message="$message
  (Wine's output could not be kept: no folder for temporary files could be written.)"
  fi
  [ -z "$text" ] || message="$message
  Wine said:
$(printf '%s\n' "$text" | sed 's/^/    /')"
  [ -z "$log" ] || message="$message
  Likely cause: $cause."
  message="$message
  What to do: ${todo:-remove $prefix and run again; if it fails again, run $VEXAL_WINE wineboot -i by hand to see everything Wine prints}."
  vexal_tell error "$message"
}

VEXAL_XVFB_PID=
# Xvfb picks the display itself (-displayfd): the number is taken by creating
# its lock file, which only one server can do, so two scripts starting at once
# never end up on one display.
vexal_xvfb_start() {
  local size=${1:-1024x768}
  local said i n=
  said=$(mktemp) || return 1
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$said" >/dev/null 2>&1 &
  VEXAL_XVFB_PID=$!
  for i in $(seq 1 200); do
    n=$(head -n 1 "$said")
    case $n in ''|*[!0-9]*) n= ;; esac
    if [ -n "$n" ] && DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
      rm -f "$said"
      export DISPLAY=":$n"
      return 0
    fi
    if ! kill -0 "$VEXAL_XVFB_PID" 2>/dev/null; then
      break
    fi
    sleep 0.05
  done
  rm -f "$said"
  echo "wine-env: Xvfb did not come up${n:+ on :$n}" >&2
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
