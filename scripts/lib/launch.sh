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
#       NAME begins every message. DATA_DIR gets the prefixes (wine-prefix
#       for win32, wine-prefix-win64), the lock vexal.lock and the folder
#       game/, the game's current folder, where it keeps vexalrec.res.
#       VEXAL_PLAY_ARCH=win32|win64 forces a build. One game runs per
#       DATA_DIR: a second start brings the running game's window to the
#       front (or says that it runs) and returns 0. Returns 0 when the game
#       ends with code 0; any failure is explained: what failed, the likely
#       cause and what to do.
#
# Every message goes to stderr when it happens. Without a terminal there
# (started from the desktop's menu) errors and warnings also appear in a
# message box, and a box says what a slow step is doing while it runs: the
# first tool of zenity, kdialog and xmessage that is installed shows them.

# shellcheck source=wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

# The game's main window, whose title is the name and the version.
VEXAL_WINDOW_TITLE='^Vexal[0-9][0-9.]*$'
# The width of a message box in characters, and whether boxes are shown.
VEXAL_BOX_COLUMNS=72
VEXAL_BOXES=
if [ ! -t 2 ] && [ -n "${DISPLAY:-}" ]; then VEXAL_BOXES=1; fi
VEXAL_BUSY_PID=

# The folder that the XDG base directories give a game's data. A relative
# XDG_DATA_HOME is invalid there and so ignored, as other programs do.
vexal_data_dir() {
  local name=$1 base=${XDG_DATA_HOME:-}
  if [ -n "$base" ] && [ "${base#/}" = "$base" ]; then
    vexal_tell notice "$name: XDG_DATA_HOME=$base is not an absolute path, so it is ignored (as the XDG rules say); the game's files go under ~/.local/share.
  What to do: nothing; to keep them elsewhere, set XDG_DATA_HOME to an absolute path."
    base=
  fi
  if [ -z "$base" ]; then
    if [ -z "${HOME:-}" ] || [ "${HOME#/}" = "$HOME" ]; then
      vexal_tell error "$name: Vexal cannot start: neither XDG_DATA_HOME nor HOME names an absolute folder, so there is nowhere to keep the game's files.
  What to do: set HOME to your home folder (or XDG_DATA_HOME to an absolute folder you can write to), then start it again."
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
    vexal_busy "$name: this system has no $want locale; making one for the game in $dir (once, a few seconds)"
    # localedef also reports warnings through its exit code: the test
    # below tells whether the locale came out usable.
    out=$(LC_ALL=C mkdir -p -- "$dir" 2>&1 && LC_ALL=C localedef -i zh_CN -f UTF-8 "$dir/$want" 2>&1) || true
    vexal_busy_end
  fi
  if [ "$(LOCPATH=$dir LC_ALL=$want locale charmap 2>/dev/null)" = UTF-8 ]; then
    export LOCPATH=$dir
    return 0
  fi
  local said=
  [ -z "$out" ] || said="
  localedef said:
$(printf '%s\n' "$out" | tail -n 3 | sed 's/^/    /')"
  # Only a folder name beyond ASCII needs the locale; elsewhere the game runs as well without it.
  if printf '%s' "$data" | LC_ALL=C grep -q '[^ -~]'; then
    vexal_tell error "$name: Vexal cannot start: the $want locale is missing and could not be made in $dir, and the game's folder $data is not plain ASCII, so the game cannot keep its files there without it.$said
  What to do: install the package locales-all, or run 'sudo dpkg-reconfigure locales' and select $want; or set XDG_DATA_HOME to a folder whose path is plain ASCII."
    return 1
  fi
  vexal_tell notice "$name: the $want locale is missing and could not be made in $dir; starting all the same, since $data is plain ASCII.$said
  What to do: nothing for now; to be safe, install the package locales-all, or run 'sudo dpkg-reconfigure locales' and select $want."
  return 0
}

# ---- messages ------------------------------------------------------------------------------

# The text as a box without UTF-8 fonts shows it whole: ASCII only (a
# character beyond it, as in a folder's name, becomes '?'; the terminal gets
# the full text), no tabs, and no line longer than the box. A wrapped line
# goes on two spaces further in than it began.
vexal_box_text() {
  local raw text
  raw=$(cat)
  # Bytes that are not UTF-8 become '?' one by one.
  text=$(printf '%s\n' "$raw" | LC_ALL=C.UTF-8 iconv -f UTF-8 -t ASCII//TRANSLIT 2>/dev/null) || text=$raw
  printf '%s\n' "$text" | LC_ALL=C tr '\t' ' ' | LC_ALL=C sed 's/[^ -~]/?/g' |
    LC_ALL=C awk -v width="$VEXAL_BOX_COLUMNS" '
      {
        match($0, /^ */)
        indent = substr($0, 1, RLENGTH)
        n = split(substr($0, RLENGTH + 1), words, / +/)
        line = ""
        lead = indent
        for (i = 1; i <= n; i++) {
          word = words[i]
          if (word == "") continue
          if (line != "" && length(lead line " " word) > width) {
            print lead line
            line = ""
            lead = indent "  "
          }
          # A word longer than a whole line (a long path) is cut.
          while (line == "" && length(lead word) > width) {
            room = width - length(lead)
            if (room < 8) room = 8
            print lead substr(word, 1, room)
            word = substr(word, room + 1)
            lead = indent "  "
          }
          line = (line == "") ? word : line " " word
        }
        print lead line
      }'
}

# Shows TEXT in a message box of KIND (error, warning) and waits until it is
# closed.
vexal_box() {
  local kind=$1 text
  text=$(printf '%s\n' "$2" | vexal_box_text)
  if command -v zenity >/dev/null 2>&1; then
    vexal_run zenity "--$kind" --title=Vexal --no-markup --width=560 --text="$text" >/dev/null 2>&1 || true
  elif command -v kdialog >/dev/null 2>&1; then
    local k=--error
    [ "$kind" = warning ] && k=--sorry
    vexal_run kdialog --title Vexal "$k" "$text" >/dev/null 2>&1 || true
  elif command -v xmessage >/dev/null 2>&1; then
    printf '%s\n' "$text" | vexal_run env LC_ALL=C xmessage -center -title Vexal -buttons OK -default OK -file - \
      >/dev/null 2>&1 || true
  fi
  return 0
}

vexal_tell() {
  local kind=$1 text=$2
  printf '%s\n' "$text" >&2
  case "$kind" in
    error|warning)
      if [ -n "$VEXAL_BOXES" ]; then
        vexal_busy_end
        vexal_box "$kind" "$text"
      fi ;;
  esac
  return 0
}

# A box that stays up, without waiting, until vexal_busy_end.
vexal_busy() {
  local text=$1
  printf '%s\n' "$text" >&2
  [ -n "$VEXAL_BOXES" ] || return 0
  vexal_busy_end
  text=$(printf '%s\n' "$text" | vexal_box_text)
  if command -v zenity >/dev/null 2>&1; then
    ( vexal_drop_lock
      exec zenity --info --title=Vexal --no-markup --width=560 --text="$text" ) >/dev/null 2>&1 &
  elif command -v kdialog >/dev/null 2>&1; then
    ( vexal_drop_lock
      exec kdialog --title Vexal --passivepopup "$text" 300 ) >/dev/null 2>&1 &
  elif command -v xmessage >/dev/null 2>&1; then
    ( vexal_drop_lock
      LC_ALL=C exec xmessage -center -title Vexal -buttons '' -file - ) <<<"$text" >/dev/null 2>&1 &
  else
    return 0
  fi
  VEXAL_BUSY_PID=$!
  return 0
}

vexal_busy_end() {
  if [ -n "$VEXAL_BUSY_PID" ]; then
    kill "$VEXAL_BUSY_PID" 2>/dev/null || true
    wait "$VEXAL_BUSY_PID" 2>/dev/null || true
    VEXAL_BUSY_PID=
  fi
  return 0
}

VEXAL_LAUNCH_LOG=
vexal_launch_cleanup() {
  vexal_busy_end
  if [ -n "$VEXAL_LAUNCH_LOG" ]; then
    rm -f "$VEXAL_LAUNCH_LOG"
    VEXAL_LAUNCH_LOG=
  fi
  return 0
}

vexal_launch_stopped() {
  trap '' INT TERM HUP
  vexal_launch_cleanup
  vexal_tell notice "${VEXAL_MSG_NAME:-vexal}: stopped by SIG$1 before the game started; nothing was changed.
  What to do: nothing; start the game again when you want to play."
  exit $((128 + $2))
}

# ---- one game per folder -------------------------------------------------------------------

# Takes the lock DATA/vexal.lock for this start, without waiting: 0 when it
# is ours (VEXAL_LOCK_FD holds it until the launcher ends), 1 when another
# start holds it, 2 when no lock can be had (a folder that cannot be written
# and holds none yet): the start then goes on without one.
VEXAL_LOCK_FD=
VEXAL_LOCK_FILE=
vexal_lock() {
  VEXAL_LOCK_FILE=$1/vexal.lock
  if ! { exec {VEXAL_LOCK_FD}<>"$VEXAL_LOCK_FILE"; } 2>/dev/null &&
     ! { exec {VEXAL_LOCK_FD}<"$VEXAL_LOCK_FILE"; } 2>/dev/null; then
    VEXAL_LOCK_FD=
    return 2
  fi
  flock -n "$VEXAL_LOCK_FD" && return 0
  return 1
}

# What the holder of the lock is doing, for a second start to read:
# starting, preparing (making the prefix) or "playing PID".
vexal_lock_state() {
  [ -z "$VEXAL_LOCK_FD" ] || printf '%s\n' "$1" 2>/dev/null >"$VEXAL_LOCK_FILE" || true
  return 0
}

# Brings the window of the game that runs as PID to the front; on failure
# VEXAL_RAISE_WHY says why.
VEXAL_RAISE_WHY=
vexal_raise_window() {
  local pid=$1 id=
  if ! command -v xdotool >/dev/null 2>&1; then
    VEXAL_RAISE_WHY="xdotool, which brings windows to the front, is not installed (the package xdotool)"
    return 1
  fi
  if [ -n "$pid" ]; then
    id=$(LC_ALL=C xdotool search --all --pid "$pid" --name "$VEXAL_WINDOW_TITLE" 2>/dev/null | head -n 1) || true
  fi
  if [ -z "$id" ]; then
    VEXAL_RAISE_WHY="its window was not found on the display $DISPLAY (it may be on another display or not open yet)"
    return 1
  fi
  # A window manager that follows the EWMH raises, restores and focuses the
  # window when asked to activate it; without one, the window is raised and
  # given the focus directly.
  LC_ALL=C timeout 5 xdotool windowactivate --sync "$id" >/dev/null 2>&1 && return 0
  LC_ALL=C xdotool windowmap "$id" windowraise "$id" windowfocus "$id" >/dev/null 2>&1 && return 0
  VEXAL_RAISE_WHY="xdotool could not raise its window $id"
  return 1
}

# Another start holds the lock: wait while it makes the prefix, then bring
# its game to the front. Returns 0 when that is done (or said to be
# impossible), 2 when the other start ended first and the lock is now ours.
vexal_join_running() {
  local name=$1 data=$2 state= pid= said= since=$SECONDS playing_since=
  while ! flock -n "$VEXAL_LOCK_FD"; do
    state= pid=
    read -r state pid <"$VEXAL_LOCK_FILE" 2>/dev/null || true
    case "$state" in
      playing)
        if vexal_raise_window "$pid"; then
          vexal_busy_end
          vexal_tell notice "$name: Vexal is already running for this player, so its window was brought to the front instead of starting a second game (two games at once would overwrite each other's high scores in $data/game)."
          return 0
        fi
        [ -n "$playing_since" ] || playing_since=$SECONDS
        if ! command -v xdotool >/dev/null 2>&1 || [ $((SECONDS - playing_since)) -ge 20 ]; then
          vexal_busy_end
          vexal_tell warning "$name: Vexal is already running for this player, so no second game was started: two games at once would overwrite each other's high scores in $data/game. Its window could not be brought to the front: $VEXAL_RAISE_WHY.
  What to do: switch to the running game from the task bar or the window list; to start afresh, quit it first (Alt+x)."
          return 0
        fi ;;
      preparing)
        if [ "$said" != preparing ]; then
          said=preparing
          vexal_busy "$name: another start of Vexal is making the game's Wine prefix (once, about half a minute); waiting for it to finish, then its window comes to the front. Nothing needs doing."
        fi ;;
      *)
        if [ -z "$said" ] && [ $((SECONDS - since)) -ge 3 ]; then
          said=starting
          vexal_busy "$name: another start of Vexal is under way; waiting for its window, to bring it to the front. Nothing needs doing."
        fi ;;
    esac
    sleep 0.2
  done
  vexal_busy_end
  [ -z "$said" ] || vexal_tell notice "$name: the other start of Vexal has ended; this one goes on."
  return 2
}

# ---- the high-score file -------------------------------------------------------------------

# Says before play when new scores cannot be kept in the game's folder DIR.
# The game replaces its file through a new one beside it, or, where the
# folder takes no new file, writes into the file itself; it never writes a
# file that it may only read. So scores are lost when neither the folder nor
# an existing file can be written, when the file is read-only, or when the
# disk is full.
vexal_check_scores() {
  local name=$1 dir=$2 problem= todo= out file target= folder_ok= why=
  if out=$(LC_ALL=C mktemp "$dir/.vexal-write-test.XXXXXX" 2>&1); then
    rm -f "$out"
    folder_ok=1
  else
    why=${out##*: }
  fi
  # The first of its two files that the game may write is the one it writes.
  for file in vexalrec.res lines.res; do
    if [ -e "$dir/$file" ] && vexal_writable "$dir/$file"; then
      target=$file
      break
    fi
  done
  if [ -z "$target" ] && [ -z "$folder_ok" ]; then
    problem="the folder $dir cannot be written ($why)"
    todo="make the folder writable for you (chmod u+w '$dir'; if its disk is mounted read-only, mount it read-write), or set XDG_DATA_HOME to a folder you can write to and copy vexalrec.res there"
  elif [ -z "$target" ] && [ -e "$dir/vexalrec.res" ]; then
    file=$dir/vexalrec.res
    problem="the high-score file $file is read-only"
    if [ ! -O "$file" ]; then
      todo="it belongs to another user: take it over (sudo chown $(id -un) '$file') and make it writable (chmod u+w '$file')"
    elif [ -z "$(find "$file" -maxdepth 0 -perm -u+w 2>/dev/null)" ]; then
      todo="make it writable: chmod u+w '$file'"
    else
      problem="$problem, although its permissions allow writing (it is on a read-only mount, or marked immutable)"
      todo="mount it read-write, or clear the mark (sudo chattr -i '$file')"
    fi
  elif [ -n "$folder_ok" ]; then
    local free
    free=$(LC_ALL=C df -Pk -- "$dir" 2>/dev/null | awk 'NR == 2 { print $4 }') || free=
    if [ -n "$free" ] && [ "$free" -lt 64 ]; then
      problem="the disk that holds $dir is full ($free KB free)"
      todo="free some space on that disk"
    fi
  fi
  [ -n "$problem" ] || return 0
  vexal_tell warning "$name: new high scores will not be kept: $problem. The game starts all the same, and the table it shows stays as it was saved.
  What to do: $todo; then quit the game and start it again."
}

# Whether the game may write FILE: Wine opens it as this user does.
vexal_writable() {
  [ -w "$1" ]
}

# Whether the X display answers. A display now and then closes a connection it has just taken,
# unanswered, when another client connects at the same moment (more often on a busy machine), so
# one turned-away call is not the display's answer: it is asked up to five times.
vexal_display_answers() {
  local try
  for try in 1 2 3 4 5; do
    xdpyinfo >/dev/null 2>&1 && return 0
    [ "$try" -eq 5 ] || sleep 0.2
  done
  return 1
}

# ---- the start -----------------------------------------------------------------------------

vexal_launch() {
  local name=$1 exe32=$2 exe64=$3 data=$4
  VEXAL_MSG_NAME=$name
  trap vexal_launch_cleanup EXIT
  trap 'vexal_launch_stopped INT 2' INT
  trap 'vexal_launch_stopped TERM 15' TERM
  trap 'vexal_launch_stopped HUP 1' HUP

  if [ -z "${DISPLAY:-}" ]; then
    vexal_tell error "$name: Vexal cannot start: there is no X display (DISPLAY is not set), so there is nowhere to show the game.
  What to do: start it from a graphical session: from the desktop's menu (Games) or a terminal there.
  Without a screen it runs in a headless X server:  xvfb-run -s '-screen 0 1024x768x24' $name"
    return 1
  fi
  if command -v xdpyinfo >/dev/null 2>&1 && ! vexal_display_answers; then
    vexal_tell error "$name: Vexal cannot start: the X display $DISPLAY does not answer.
  What to do: check that the display runs and that this user may use it (xhost, XAUTHORITY), then start again."
    return 1
  fi
  if [ ! -x "$VEXAL_WINE32_LOADER" ] && [ ! -x "$VEXAL_WINE64_LOADER" ]; then
    vexal_tell error "$name: Vexal cannot start: Wine is not installed (neither $VEXAL_WINE32_LOADER nor $VEXAL_WINE64_LOADER is there), and the game is a Windows program.
  What to do: install the packages wine and wine64 (and wine32:i386 where 32-bit programs run): sudo apt install wine wine64"
    return 1
  fi

  vexal_choose_arch "${VEXAL_PLAY_ARCH:-}" || return 1
  local exe=$exe32 prefix=$data/wine-prefix
  if [ "$VEXAL_ARCH" = win64 ]; then
    exe=$exe64
    prefix=$data/wine-prefix-win64
    [ -n "${VEXAL_PLAY_ARCH:-}" ] || vexal_tell notice "$name: $VEXAL_WHY, so the 64-bit build runs"
    if [ ! -x "$VEXAL_WINE64_LOADER" ]; then
      vexal_tell error "$name: Vexal cannot start: the 64-bit build needs the 64-bit Wine $VEXAL_WINE64_LOADER, which is not installed.
  What to do: install the package wine64 (sudo apt install wine64)."
      return 1
    fi
  fi
  if [ ! -f "$exe" ]; then
    vexal_tell error "$name: Vexal cannot start: the $VEXAL_ARCH build $exe is missing.
  What to do: reinstall the game (for the package: sudo apt install --reinstall vexal; for scripts/play: build it again)."
    return 1
  fi
  local out
  if ! out=$(LC_ALL=C mkdir -p -- "$data/game" 2>&1); then
    local parent=$data
    while [ ! -d "$parent" ] && [ "$parent" != / ]; do parent=$(dirname "$parent"); done
    vexal_tell error "$name: Vexal cannot start: its folder $data/game could not be made, so there is nowhere to keep the game's files.
  mkdir said: $(printf '%s\n' "$out" | tail -n 1)
  What to do: make $parent writable for you, or set XDG_DATA_HOME to a folder you can write to (without it, the game uses ~/.local/share), then start again."
    return 1
  fi

  # One game per folder: its high scores are one file, and two games would
  # overwrite each other's entries.
  local locked=0
  vexal_lock "$data" || locked=$?
  if [ "$locked" -eq 1 ]; then
    local joined=0
    vexal_join_running "$name" "$data" || joined=$?
    [ "$joined" -eq 2 ] || return 0
  fi
  vexal_lock_state starting

  vexal_cjk_locale "$name" "$data" || return 1
  vexal_check_scores "$name" "$data/game"
  VEXAL_PREFIX_NOTE="The high scores in $data/game are kept outside the prefix and are not touched."
  vexal_prefix_current "$prefix" "" "$VEXAL_ARCH" || vexal_lock_state preparing
  vexal_wine_prefix "$prefix" "" "$VEXAL_ARCH" || return 1

  # The high-score file is written to the current folder: keep it with the game.
  cd "$data/game" || return 1
  vexal_tell notice "$name: starting Vexal (high scores in $data/game)"
  VEXAL_LAUNCH_LOG=$(vexal_temp_file) || VEXAL_LAUNCH_LOG=
  local code=0
  # A signal while the game runs ends the launcher once the game has ended.
  trap 'vexal_launch_cleanup; exit 130' INT
  trap 'vexal_launch_cleanup; exit 143' TERM
  trap 'vexal_launch_cleanup; exit 129' HUP
  # The game's process writes its own number for a second start to find its window.
  ( if [ -n "$VEXAL_LOCK_FD" ]; then
      printf 'playing %s\n' "$BASHPID" 2>/dev/null >"$VEXAL_LOCK_FILE" || true
      exec {VEXAL_LOCK_FD}>&-
    fi
    exec "$VEXAL_WINE" "$exe" ) 2>"${VEXAL_LAUNCH_LOG:-/dev/null}" || code=$?
  vexal_lock_state ended
  if [ "$code" -ne 0 ]; then
    vexal_wine_explain "Vexal ended with exit code $code under $VEXAL_WINE" "${VEXAL_LAUNCH_LOG:-/dev/null}" "" "$prefix"
    vexal_launch_cleanup
    return 1
  fi
  vexal_launch_cleanup
  return 0
}
