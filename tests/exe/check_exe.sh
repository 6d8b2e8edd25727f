#!/usr/bin/env bash
# Checks a cross-built Vexal.exe: a Windows GUI program of the given kind
# (PE32 or PE32+) whose imports are exactly GDI32, KERNEL32 and USER32, so
# that it runs with no C runtime and no other DLL beside it.
# Usage: check_exe.sh EXE PE32|PE32+
set -euo pipefail
exe=$1 kind=$2
[ -f "$exe" ] || { echo "check_exe: $exe does not exist; build it first" >&2; exit 1; }
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
magic=$(grep -m1 '^Magic' <<<"$headers" | grep -o '(PE32+\?)' | tr -d '()')
[ "$magic" = "$kind" ] || { echo "check_exe: $exe is $magic, not $kind" >&2; exit 1; }
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || { echo "check_exe: $exe is not a GUI program" >&2; exit 1; }
dlls=$(grep 'DLL Name:' <<<"$headers" | awk '{print toupper($3)}' | sort | tr '\n' ' ')
if [ "$dlls" != "GDI32.DLL KERNEL32.DLL USER32.DLL " ]; then
  echo "check_exe: $exe imports $dlls; only GDI32, KERNEL32 and USER32 may be imported" >&2
  exit 1
fi
echo "check_exe: $exe is $kind and imports $dlls"
