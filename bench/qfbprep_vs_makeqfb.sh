#!/usr/bin/env bash
# Times qfbprep's two heavy jobs against makeqfb on the same frame set, side by side in one run:
# 19 frames of 1024 x 512 at 32 bits (make_frame_set), each round running, in an order that
# rotates, makeqfb 4444 on the set, qfbprep dither 4444 of the set into a folder with each method
# (diffusion, ordered, stable), and qfbprep mipmaps --levels 4 on a copy of the set whose levels
# were removed before the round (four levels from scratch). Every pixel of that set changes from
# frame to frame; on a second set of the same size where only a 256 x 256 square moves over a still
# background it also runs dither with diffusion and with stable. Prints each command's median and
# its ratio to makeqfb's median.
#   bench/qfbprep_vs_makeqfb.sh [BUILD_DIR] [ROUNDS] [new|replace]
# BUILD_DIR is a release build with MAKEQFB_BENCH=ON (default build/release); ROUNDS at least 10
# (default 15). With new (the default) every command's outputs are removed before each round,
# so all three write new files; with replace makeqfb and dither replace those of the round
# before (mipmaps always writes new levels), which costs more on a file system that writes a
# replacing file's data out at the rename, as ext4 does. Times are wall-clock for the whole
# process; the page cache is warmed first, and the disk is synced before each round.
set -euo pipefail
export LC_ALL=C  # a "." in $EPOCHREALTIME

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/release}
rounds=${2:-15}
mode=${3:-new}
makeqfb=$build/bin/makeqfb qfbprep=$build/bin/qfbprep maker=$build/bench/make_frame_set
for program in "$makeqfb" "$qfbprep" "$maker"; do
  [ -x "$program" ] || { echo "build it first: $program"; exit 1; }
done
[ "$rounds" -ge 10 ] || { echo "at least 10 rounds"; exit 1; }
case $mode in new | replace) ;; *) echo "new or replace, not $mode"; exit 1 ;; esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/set" "$work/still" "$work/diffusion" "$work/ordered" "$work/stable" "$work/still-diffusion" \
  "$work/still-stable"
"$maker" "$work/set" walk 19 1024 512 32 >/dev/null
"$maker" "$work/still" walk 19 1024 512 32 moving=256 >/dev/null
cp -r "$work/set" "$work/mips"

# shellcheck source=timing.sh
source "$here/timing.sh"

run_makeqfb() { "$makeqfb" 4444 30 "$work/set/walk.tga" >/dev/null; }
dither_with() { "$qfbprep" dither 4444 "$work/set/walk.tga" "$work/$1" --method "$1" >/dev/null; }
run_dither() { dither_with diffusion; }
run_ordered() { dither_with ordered; }
run_stable() { dither_with stable; }
still_with() { "$qfbprep" dither 4444 "$work/still/walk.tga" "$work/still-$1" --method "$1" >/dev/null; }
run_still-diffusion() { still_with diffusion; }
run_still-stable() { still_with stable; }
run_mipmaps() { "$qfbprep" mipmaps "$work/mips/walk.tga" --levels 4 >/dev/null; }

# Warm the page cache and check that every command works.
cat "$work"/set/*.tga "$work"/still/*.tga >/dev/null
run_makeqfb && run_dither && run_ordered && run_stable && run_mipmaps && run_still-diffusion && run_still-stable
[ -f "$work/mips/walk-d0019.tga" ] || { echo "mipmaps wrote no fourth level"; exit 1; }

commands=(makeqfb dither ordered stable mipmaps still-diffusion still-stable)
for ((i = 0; i < rounds; i++)); do
  rm -f "$work"/mips/walk-[a-d]*.tga
  [ "$mode" = replace ] || rm -f "$work/set/walk.qfb" "$work"/{diffusion,ordered,stable,still-diffusion,still-stable}/*.tga
  sync  # the last round's writes and removals reach the disk before this one is timed
  for ((k = 0; k < ${#commands[@]}; k++)); do
    which=${commands[$(((i + k) % ${#commands[@]}))]}
    start=$(now_us)
    "run_$which"
    echo $(($(now_us) - start)) >>"$work/$which.us"
  done
done

echo "processor: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores; $rounds rounds, $mode outputs"
echo "dither is its default method, diffusion; ordered and stable are dither --method ordered and --method stable;"
echo "still-diffusion and still-stable dither the set with a still background"
base=$(median <"$work/makeqfb.us")
for which in "${commands[@]}"; do
  m=$(median <"$work/$which.us")
  printf '%-15s median %7.2f ms  %5.2f x makeqfb\n' "$which" "$(awk -v m="$m" 'BEGIN { print m / 1000 }')" \
    "$(awk -v m="$m" -v b="$base" 'BEGIN { print m / b }')"
done
