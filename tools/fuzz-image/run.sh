#!/usr/bin/env bash
# Builds the image decoder's fuzz target with clang (libFuzzer and
# AddressSanitizer) and runs it. Not part of the normal build.
#   tools/fuzz-image/run.sh [seconds]     default 600
#   VEXAL_FUZZ_MAX_LEN=4096 for short inputs (more runs per second)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${VEXAL_FUZZ_DIR:-$root/build-fuzz-image}
seconds=${1:-600}
max_len=${VEXAL_FUZZ_MAX_LEN:-65536}
mkdir -p "$out/corpus"

clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" \
  "$root/tools/fuzz-image/fuzz_image.cpp" "$root/src/image/lzw_decoder.cpp" "$root/src/platform/byte_strings.cpp" \
  -o "$out/fuzz-image"

# Seeds: the embedded sheet and a few small images, each less its signature.
seed() { tail -c +7 "$1" > "$out/corpus/$2"; }
[ -f "$root/res/sprites.gif" ] && seed "$root/res/sprites.gif" sprites
if command -v convert >/dev/null; then
  convert -size 17x9 gradient:red-blue -colors 8 +dither GIF87:"$out/a.gif" && seed "$out/a.gif" gradient
  convert -size 23x11 xc:gray +noise Random -colors 256 GIF87:"$out/b.gif" && seed "$out/b.gif" noise
  convert -size 5x3 xc:red -colors 2 GIF87:"$out/c.gif" && seed "$out/c.gif" tiny
fi

cd "$out"
./fuzz-image -max_total_time="$seconds" -jobs=1 -workers=1 -print_final_stats=1 -max_len="$max_len" corpus
