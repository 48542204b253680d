#!/usr/bin/env bash
# Times the whole makeqfb process against `cat` of the same input files into one output file,
# for each frame set of frame_sets.sh, writing a fresh output and then overwriting the one there,
# and prints each set's median ratio makeqfb / cat in both.
#   bench/run_vs_cat.sh [--before MAKEQFB] [BUILD_DIR] [PAIRED_RUNS]
# BUILD_DIR is a release build with MAKEQFB_BENCH=ON (default build/bench); PAIRED_RUNS is at
# least 10 (default 15). The two commands run in turn, the first of each pair alternating; fresh,
# each after its previous output was removed; overwriting, each over its output of the round
# before. The page cache is warmed first. Times are wall-clock for the whole process, fork and exec
# included for both. --before also times another makeqfb binary (an earlier build) in the same
# rounds, paired with a cat of its own, on its own links to the same input files.
set -euo pipefail
export LC_ALL=C  # a "." in $EPOCHREALTIME

here=$(cd "$(dirname "$0")" && pwd)
before=
if [ "${1:-}" = --before ]; then
  before=$2
  shift 2
  [ -x "$before" ] || { echo "not a program: $before"; exit 1; }
fi
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

# The median of the rounds' ratios A / B.
median_ratio() { paste "$work/$1_us" "$work/$2_us" | awk '{ printf "%.4f\n", $1 / $2 }' | median; }
# "  median A x ms, median B y ms, median ratio A/B z" for the rounds just timed.
say_pair() {
  printf '  median %s %.2f ms, median cat %.2f ms, median ratio %s/cat %.3f\n' "$1" \
    "$(median <"$work/$2_us" | awk '{ print $1 / 1000 }')" "$(median <"$work/$3_us" | awk '{ print $1 / 1000 }')" \
    "$1" "$(median_ratio "$2" "$3")"
}

echo "processor: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores"
for line in "${FRAME_SETS[@]}"; do
  read -r name frames width height bits format <<<"$line"
  base=$(make_frame_set_dir "$maker" "$work" "$name" "$frames" "$width" "$height" "$bits")
  inputs=("$work/$name"/walk-*.tga)
  # The earlier binary's own folder: links to the same files, so its output has a name of its own.
  mkdir "$work/$name/before"
  ln "${inputs[@]}" "$work/$name/before/"
  before_base=$work/$name/before/$(basename "$base")
  before_inputs=("$work/$name"/before/walk-*.tga)

  run_makeqfb() { "$makeqfb" "$format" 30 "$base" >/dev/null; }
  run_cat() { cat "${inputs[@]}" >"$work/$name/cat.out"; }
  run_before() { "$before" "$format" 30 "$before_base" >/dev/null; }
  run_cat_before() { cat "${before_inputs[@]}" >"$work/$name/before/cat.out"; }
  remove_outputs() { rm -f "$work/$name"/*.qfb "$work/$name"/*.out "$work/$name"/before/*.qfb "$work/$name"/before/*.out; }
  keep_outputs() { :; }
  commands=(makeqfb cat)
  [ -z "$before" ] || commands+=(before cat_before)

  # Warm the page cache and check that the conversion works at all (and gives the same file).
  cat "${inputs[@]}" >/dev/null
  if ! "$makeqfb" "$format" 30 "$base" >"$work/log"; then
    cat "$work/log"
    exit 1
  fi
  if [ -n "$before" ]; then
    run_before
    cmp -s "$work/$name/walk.qfb" "$work/$name/before/walk.qfb" || { echo "$before makes another file"; exit 1; }
  fi

  pixels=$((frames * width * height))
  printf '%s: %d frames of %d x %d at %d bits -> %s, %d pixels, %d paired runs\n' \
    "$name" "$frames" "$width" "$height" "$bits" "$format" "$pixels" "$runs"
  for output in fresh overwriting; do
    # Overwriting: every output is there from the warm-up or the round before.
    for which in "${commands[@]}"; do "run_$which"; done
    [ "$output" = fresh ] && clean=remove_outputs || clean=keep_outputs
    paired_runs "$runs" "$work" "$clean" "${commands[@]}"
    echo " $output output:"
    say_pair makeqfb makeqfb cat
    [ -z "$before" ] || say_pair before before cat_before
  done
  rm -rf "${work:?}/$name"
done
