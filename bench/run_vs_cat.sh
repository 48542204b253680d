#!/usr/bin/env bash
# Times the whole makeqfb process against `cat` of the same input files into one output file,
# for each frame set of frame_sets.sh, and prints each set's median ratio makeqfb / cat.
#   bench/run_vs_cat.sh [BUILD_DIR] [PAIRED_RUNS]
# BUILD_DIR is a release build with MAKEQFB_BENCH=ON (default build/bench); PAIRED_RUNS is at
# least 10 (default 15). The two commands run in turn, the first of each pair alternating, each
# after its previous output was removed; the page cache is warmed first. Times are wall-clock
# for the whole process, fork and exec included for both.
set -euo pipefail
export LC_ALL=C  # a "." in $EPOCHREALTIME

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/bench}
runs=${2:-15}
makeqfb=$build/bin/makeqfb
maker=$build/bench/make_frame_set
if [ ! -x "$makeqfb" ] || [ ! -x "$maker" ]; then
  echo "build makeqfb and make_frame_set first: cmake --workflow or cmake --build $build"
  exit 1
fi
if [ "$runs" -lt 10 ]; then
  echo "at least 10 paired runs"
  exit 1
fi
# shellcheck source=frame_sets.sh
source "$here/frame_sets.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=timing.sh
source "$here/timing.sh"

echo "processor: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores"
for line in "${FRAME_SETS[@]}"; do
  read -r name frames width height bits format <<<"$line"
  base=$(make_frame_set_dir "$maker" "$work" "$name" "$frames" "$width" "$height" "$bits")
  inputs=("$work/$name"/walk-*.tga)
  qfb=$work/$name/walk.qfb
  copy=$work/$name/cat.out

  run_makeqfb() { "$makeqfb" "$format" 30 "$base" >/dev/null; }
  run_cat() { cat "${inputs[@]}" >"$copy"; }
  clean_outputs() { rm -f "$qfb" "$copy"; }
  # Warm the page cache and check that the conversion works at all.
  cat "${inputs[@]}" >/dev/null
  if ! "$makeqfb" "$format" 30 "$base" >"$work/log"; then
    cat "$work/log"
    exit 1
  fi
  run_cat

  paired_runs "$runs" "$work" clean_outputs makeqfb cat
  pixels=$((frames * width * height))
  printf '%s: %d frames of %d x %d at %d bits -> %s, %d pixels, %d paired runs\n' \
    "$name" "$frames" "$width" "$height" "$bits" "$format" "$pixels" "$runs"
  printf '  median makeqfb %.2f ms, median cat %.2f ms, median ratio makeqfb/cat %.3f\n' \
    "$(median <"$work/makeqfb_us" | awk '{ print $1 / 1000 }')" \
    "$(median <"$work/cat_us" | awk '{ print $1 / 1000 }')" \
    "$(median <"$work/ratios")"
  rm -rf "${work:?}/$name"
done
