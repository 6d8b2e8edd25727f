#!/usr/bin/env bash
# Builds the Debian package from both builds of Vexal.exe and the files in
# this folder, with Debian's own tools. The same inputs and SOURCE_DATE_EPOCH
# give the same bytes: every file gets that time and a fixed mode, the owner
# is root, and the compressors store no names or times.
#
#   deb.sh OUT.deb WIN32_EXE WIN64_EXE
#
# The version and, without SOURCE_DATE_EPOCH, the time come from the
# changelog beside this script.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
[ $# -eq 3 ] || { echo "usage: deb.sh OUT.deb WIN32_EXE WIN64_EXE" >&2; exit 2; }
out=$1 exe32=$2 exe64=$3
for f in "$exe32" "$exe64"; do
  [ -f "$f" ] || { echo "deb.sh: $f does not exist: build it first" >&2; exit 1; }
done

version=$(dpkg-parsechangelog -l "$here/changelog" -S Version)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(dpkg-parsechangelog -l "$here/changelog" -S Timestamp)}

tree=$(mktemp -d "${TMPDIR:-/tmp}/vexal-deb.XXXXXX")
trap 'rm -rf "$tree"' EXIT
# Modes are given, not inherited from whoever runs this.
umask 022
put() {  # put MODE SOURCE DEST
  install -D -m "$1" "$2" "$tree/$3"
}

put 0755 "$here/vexal" usr/games/vexal
put 0644 "$exe32" usr/lib/vexal/win32/Vexal.exe
put 0644 "$exe64" usr/lib/vexal/win64/Vexal.exe
for lib in launch.sh wine-env.sh machine.sh; do
  put 0644 "$root/scripts/lib/$lib" "usr/lib/vexal/shell/$lib"
done
put 0644 "$here/vexal.desktop" usr/share/applications/vexal.desktop
put 0644 "$here/copyright" usr/share/doc/vexal/copyright
mkdir -p "$tree/usr/share/man/man6"
gzip -9n <"$here/vexal.6" >"$tree/usr/share/man/man6/vexal.6.gz"
gzip -9n <"$here/changelog" >"$tree/usr/share/doc/vexal/changelog.Debian.gz"

# The game's own 32 x 32 icon at the usual sizes: whole multiples keep its
# pixels square (nearest neighbour), 48 repeats every other one, and 16
# averages each 2 x 2 block, which loses less than dropping three of four.
# The date chunks would make every build differ.
for size in 16 32 48 64 128 256; do
  filter=point
  [ "$size" -lt 32 ] && filter=box
  dir=$tree/usr/share/icons/hicolor/${size}x${size}/apps
  mkdir -p "$dir"
  convert "$root/res/vexal.ico" -filter "$filter" -resize "${size}x${size}" -strip \
    -define png:exclude-chunks=date,time "png32:$dir/vexal.png"
done

# dpkg-gencontrol's measure: each file's size rounded up to KiB, one KiB
# for every other entry.
installed_size=$(find "$tree/usr" -printf '%y %s\n' |
  awk '$1 == "f" { kib += int(($2 + 1023) / 1024); next } { kib += 1 } END { print kib }')
mkdir -p "$tree/DEBIAN"
sed -e "s/@VERSION@/$version/" -e "s/@INSTALLED_SIZE@/$installed_size/" "$here/control" \
  >"$tree/DEBIAN/control"
(cd "$tree" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$tree/DEBIAN/md5sums"
chmod 0644 "$tree/DEBIAN/control" "$tree/DEBIAN/md5sums"
find "$tree" -type d -exec chmod 0755 {} +
find "$tree" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# One compressor thread: the xz stream then does not depend on the machine's cores.
mkdir -p "$(dirname "$out")"
dpkg-deb --root-owner-group -Zxz --threads-max=1 --build "$tree" "$out.part" >/dev/null
mv "$out.part" "$out"
