# What this machine can run, and which Wine loader serves which build of
# Vexal.exe. Source it from bash.
#
#   vexal_runs_32bit         succeeds when this machine executes 32-bit x86
#                            code; VEXAL_WHY tells why or why not
#   vexal_wine_loader ARCH   the Wine loader for win32 or win64
#   vexal_choose_arch [ARCH] sets VEXAL_ARCH to win32 or win64, the build to
#                            run here, and VEXAL_WHY: ARCH when given,
#                            otherwise win32 where it runs and win64
#                            elsewhere; fails with a message when the build
#                            asked for cannot run
#   vexal_e2e_plan           one line on the end-to-end suite's choice, which
#                            VEXAL_E2E_ARCH=win32|win64 forces
#
#   vexal_tell KIND TEXT     how every message of these scripts is given:
#                            KIND is error, warning or notice; here it goes
#                            to stderr, and the launcher (launch.sh) shows
#                            errors and warnings in a box as well
#
# VEXAL_ASSUME_NO_32BIT=1 makes vexal_runs_32bit answer no, so that the
# 64-bit path can be tried on a machine that has both. VEXAL_MSG_NAME, when
# set, begins every message instead of the library's own name.

VEXAL_WINE32_LOADER=${VEXAL_WINE32_LOADER:-/usr/lib/wine/wine}
VEXAL_WINE64_LOADER=${VEXAL_WINE64_LOADER:-/usr/lib/wine/wine64}
VEXAL_WHY=
VEXAL_ARCH=

vexal_tell() {
  printf '%s\n' "$2" >&2
}

# The smallest 32-bit x86 Linux program: an ELF header, one program header
# and the exit system call with code 42 (xor eax,eax; inc eax; xor ebx,ebx;
# mov bl,42; int 0x80).
vexal_write_elf32_probe() {
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'
  printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000'
  printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000'
  printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010'
  printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000'
  printf '\061\300\100\061\333\263\052\315\200'
}

# Runs the program above. A folder mounted noexec would refuse any program,
# so the folder is first shown to run a copy of a native one.
vexal_runs_32bit() {
  if [ "${VEXAL_ASSUME_NO_32BIT:-}" = 1 ]; then
    VEXAL_WHY="VEXAL_ASSUME_NO_32BIT=1 says this machine runs no 32-bit code"
    return 1
  fi
  local dir tried=
  for dir in "${TMPDIR:-/tmp}" /dev/shm "${XDG_RUNTIME_DIR:-}" "$HOME"; do
    [ -n "$dir" ] && [ -d "$dir" ] && [ -w "$dir" ] || continue
    local work
    work=$(mktemp -d "$dir/vexal-machine.XXXXXX" 2>/dev/null) || continue
    tried="$tried $dir"
    cp /bin/true "$work/native" 2>/dev/null
    if ! "$work/native" 2>/dev/null; then
      rm -rf "$work"
      continue
    fi
    vexal_write_elf32_probe >"$work/elf32"
    chmod +x "$work/elf32"
    local out code
    # In the C locale, so that the shell's own refusal is plain English whatever the player's locale.
    out=$(LC_ALL=C; export LC_ALL; "$work/elf32" 2>&1)
    code=$?
    rm -rf "$work"
    if [ "$code" -eq 42 ]; then
      VEXAL_WHY="this machine runs 32-bit x86 code"
      return 0
    fi
    out=$(printf '%s' "$out" | tail -n 1)
    VEXAL_WHY="this machine cannot run 32-bit x86 code (a 32-bit test program gave exit code $code${out:+: $out}; the kernel may have 32-bit emulation disabled)"
    return 1
  done
  VEXAL_WHY="no folder lets programs run (tried:${tried:- none}), so 32-bit support could not be tested"
  return 1
}

vexal_wine_loader() {
  case "$1" in
    win32) echo "$VEXAL_WINE32_LOADER" ;;
    win64) echo "$VEXAL_WINE64_LOADER" ;;
    *) vexal_tell error "${VEXAL_MSG_NAME:-machine}: unknown build '$1': the builds are win32 and win64."; return 1 ;;
  esac
}

vexal_choose_arch() {
  local forced=${1:-}
  case "$forced" in
    win64)
      VEXAL_ARCH=win64
      VEXAL_WHY="win64 was asked for"
      return 0 ;;
    win32)
      if ! vexal_runs_32bit; then
        vexal_tell error "${VEXAL_MSG_NAME:-machine}: the 32-bit build was asked for (win32), but $VEXAL_WHY.
  What to do: use win64 (VEXAL_PLAY_ARCH=win64 or VEXAL_E2E_ARCH=win64), or leave the choice unset to get the build that runs here."
        return 1
      fi
      if [ ! -x "$VEXAL_WINE32_LOADER" ]; then
        vexal_tell error "${VEXAL_MSG_NAME:-machine}: the 32-bit build was asked for (win32), but its Wine loader $VEXAL_WINE32_LOADER is missing.
  What to do: install the package wine32:i386 (sudo dpkg --add-architecture i386; sudo apt update; sudo apt install wine32:i386), or use win64."
        return 1
      fi
      VEXAL_ARCH=win32
      VEXAL_WHY="win32 was asked for and $VEXAL_WHY"
      return 0 ;;
    "") ;;
    *)
      vexal_tell error "${VEXAL_MSG_NAME:-machine}: unknown build '$forced' was asked for: the builds are win32 and win64.
  What to do: set VEXAL_PLAY_ARCH (or VEXAL_E2E_ARCH) to win32 or win64, or unset it to get the build that runs here."
      return 1 ;;
  esac
  if vexal_runs_32bit; then
    if [ -x "$VEXAL_WINE32_LOADER" ]; then
      VEXAL_ARCH=win32
      return 0
    fi
    VEXAL_WHY="$VEXAL_WHY, but the 32-bit Wine loader $VEXAL_WINE32_LOADER is missing (it comes with the package wine32:i386)"
  fi
  VEXAL_ARCH=win64
}

# One line on what the end-to-end suite runs here, and why; sets VEXAL_ARCH.
vexal_e2e_plan() {
  vexal_choose_arch "${VEXAL_E2E_ARCH:-}" || return 1
  local smoke="the smoke module runs the win64 build under $VEXAL_WINE64_LOADER"
  [ "$VEXAL_ARCH" = win64 ] && smoke="the smoke module runs it too"
  echo "end-to-end: the $VEXAL_ARCH build under $(vexal_wine_loader "$VEXAL_ARCH"), since $VEXAL_WHY; $smoke"
}
