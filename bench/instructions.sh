#!/usr/bin/env bash
# Counts the user-space instructions of the whole makeqfb process with callgrind, for each
# frame set of frame_sets.sh and each output format its depth allows, and prints instructions
# per pixel: total Ir (program start and dynamic linking included) / pixels of all levels.
#   bench/instructions.sh [BUILD_DIR]
# BUILD_DIR is a release build with MAKEQFB_BENCH=ON (default build/bench). Needs valgrind.
# KEEP_CALLGRIND=PREFIX keeps each profile as PREFIX.SET.FORMAT for callgrind_annotate.
set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/bench}
makeqfb=$build/bin/makeqfb
maker=$build/bench/make_frame_set
if [ ! -x "$makeqfb" ] || [ ! -x "$maker" ]; then
  echo "build makeqfb and make_frame_set first: cmake --workflow or cmake --build $build"
  exit 1
fi
if ! command -v valgrind >/dev/null; then
  echo "valgrind is not installed"
  exit 1
fi
# shellcheck source=frame_sets.sh
source "$here/frame_sets.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "processor: $(lscpu | sed -n 's/^Model name: *//p' | head -1)"
for line in "${FRAME_SETS[@]}"; do
  read -r name frames width height bits _ <<<"$line"
  base=$(make_frame_set_dir "$maker" "$work" "$name" "$frames" "$width" "$height" "$bits")
  # The sets have no mipmap levels: the pixels of all levels are frames x width x height.
  pixels=$((frames * width * height))
  formats="1555 4444 565"
  if [ "$bits" = 24 ]; then formats="1555 565"; fi  # 4444 from 24 bits is written as 1555
  for format in $formats; do
    out=$work/$name.$format.callgrind
    if ! valgrind --tool=callgrind --callgrind-out-file="$out" "$makeqfb" "$format" 30 "$base" >"$work/log" 2>"$work/valgrind.log"; then
      cat "$work/log" "$work/valgrind.log"
      exit 1
    fi
    total=$(sed -n 's/^summary: *//p' "$out" | awk '{ print $1 }')
    printf '%s: %d frames of %d x %d at %d bits -> %s: %d instructions, %d pixels, %.3f instructions per pixel\n' \
      "$name" "$frames" "$width" "$height" "$bits" "$format" "$total" "$pixels" \
      "$(awk -v t="$total" -v p="$pixels" 'BEGIN { print t / p }')"
    if [ -n "${KEEP_CALLGRIND:-}" ]; then cp "$out" "$KEEP_CALLGRIND.$name.$format"; fi
  done
  rm -rf "${work:?}/$name"
done
