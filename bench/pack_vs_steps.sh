#!/usr/bin/env bash
# Times qfbprep pack against the route through the step tools and against makeqfb, side by side
# in one run, on frames of 1024 x 512 at 32 bits (make_frame_set): 19 of them, the most a QFB file
# holds without mipmaps, and 14, the most with four levels each. Each round runs, in an order that
# rotates:
#   makeqfb      makeqfb 4444 on the 19 frames;
#   pack         qfbprep pack 4444 of the same set (nothing made, nothing dithered);
#   dither+pack  qfbprep dither 4444 of the 19 frames into a folder, then makeqfb 4444 there;
#   pack-dither  qfbprep pack 4444 --dither of the 19 frames, which gives the same file;
#   steps        on the 14 frames, with their levels removed before the round: qfbprep mipmaps
#                --levels 4, qfbprep dither 4444 into a folder, makeqfb 4444 there;
#   pack-all     qfbprep pack 4444 --mipmaps 4 --dither of the 14 frames, which gives the same file.
# Every output is removed and the disk synced before each round; the page cache is warmed first.
# Prints each command's median wall-clock time and the ratios of pack to makeqfb, pack-dither to
# dither+pack, and pack-all to steps.
#   bench/pack_vs_steps.sh [BUILD_DIR] [ROUNDS]
# BUILD_DIR is a release build with MAKEQFB_BENCH=ON (default build/release); ROUNDS at least 3
# (default 11).
set -euo pipefail
export LC_ALL=C  # a "." in $EPOCHREALTIME

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/release}
rounds=${2:-11}
makeqfb=$build/bin/makeqfb qfbprep=$build/bin/qfbprep maker=$build/bench/make_frame_set
for program in "$makeqfb" "$qfbprep" "$maker"; do
  [ -x "$program" ] || { echo "build it first: $program"; exit 1; }
done
[ "$rounds" -ge 3 ] || { echo "at least 3 rounds"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/set" "$work/mips" "$work/dithered" "$work/mips-dithered"
"$maker" "$work/set" walk 19 1024 512 32 >/dev/null
"$maker" "$work/mips" walk 14 1024 512 32 >/dev/null
cp -r "$work/mips" "$work/mips-source"

# shellcheck source=timing.sh
source "$here/timing.sh"

run_makeqfb() { "$makeqfb" 4444 30 "$work/set/walk.tga" >/dev/null; }
run_pack() { "$qfbprep" pack 4444 30 "$work/pack.qfb" "$work/set/walk.tga" >/dev/null; }
run_dither+pack() {
  "$qfbprep" dither 4444 "$work/set/walk.tga" "$work/dithered" >/dev/null
  "$makeqfb" 4444 30 "$work/dithered/walk.tga" >/dev/null
}
run_pack-dither() { "$qfbprep" pack 4444 30 "$work/pack-dither.qfb" "$work/set/walk.tga" --dither >/dev/null; }
run_steps() {
  "$qfbprep" mipmaps "$work/mips/walk.tga" --levels 4 >/dev/null
  "$qfbprep" dither 4444 "$work/mips/walk.tga" "$work/mips-dithered" >/dev/null
  "$makeqfb" 4444 30 "$work/mips-dithered/walk.tga" >/dev/null
}
run_pack-all() {
  "$qfbprep" pack 4444 30 "$work/pack-all.qfb" "$work/mips-source/walk.tga" --mipmaps 4 --dither >/dev/null
}

clear_outputs() {
  rm -f "$work"/mips/walk-[a-z]*.tga "$work"/dithered/* "$work"/mips-dithered/* "$work/set/walk.qfb" "$work"/*.qfb
}

# Warm the page cache, and check that every command works and that each pair agrees.
cat "$work"/set/*.tga "$work"/mips-source/*.tga >/dev/null
for which in makeqfb pack dither+pack pack-dither steps pack-all; do "run_$which"; done
cmp -s "$work/set/walk.qfb" "$work/pack.qfb" || { echo "pack differs from makeqfb"; exit 1; }
cmp -s "$work/dithered/walk.qfb" "$work/pack-dither.qfb" || { echo "pack --dither differs from dither+pack"; exit 1; }
cmp -s "$work/mips-dithered/walk.qfb" "$work/pack-all.qfb" || { echo "pack-all differs from the steps"; exit 1; }

commands=(makeqfb pack dither+pack pack-dither steps pack-all)
for ((i = 0; i < rounds; i++)); do
  clear_outputs
  sync  # the last round's writes and removals reach the disk before this one is timed
  for ((k = 0; k < ${#commands[@]}; k++)); do
    which=${commands[$(((i + k) % ${#commands[@]}))]}
    start=$(now_us)
    "run_$which"
    echo $(($(now_us) - start)) >>"$work/$which.us"
  done
done

echo "processor: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores; $rounds rounds"
declare -A ms
for which in "${commands[@]}"; do
  ms[$which]=$(median <"$work/$which.us")
  printf '%-12s median %8.2f ms\n' "$which" "$(awk -v m="${ms[$which]}" 'BEGIN { print m / 1000 }')"
done
ratio() { awk -v a="${ms[$1]}" -v b="${ms[$2]}" 'BEGIN { printf "%-12s / %-12s %5.2f\n", ARGV[1], ARGV[2], a / b }' "$1" "$2"; }
ratio pack makeqfb
ratio pack-dither dither+pack
ratio pack-all steps
