#!/usr/bin/env bash
# Times `qfbinfo --sheet` against `qfbinfo --extract` on the largest set makeqfb writes (19 frames
# of 1024 x 512, 4444), interleaved, and prints the median of each and their ratio.
#   bench/sheet_vs_extract.sh [BUILD_DIR [REPETITIONS]]     (default build/release, 7)
set -euo pipefail
build=${1:-build/release}
repetitions=${2:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_frame_set" "$work" walk 19 1024 512 32 >/dev/null
"$build/bin/makeqfb" 4444 12 "$work/walk.tga" >/dev/null

# shellcheck source=timing.sh
source "$(dirname "$0")/timing.sh"

: >"$work/sheet.times"
: >"$work/extract.times"
for _ in $(seq "$repetitions"); do
  rm -rf "$work/out" "$work/sheet.png"
  run_us "$build/bin/qfbinfo" "$work/walk.qfb" --extract "$work/out" >>"$work/extract.times"
  run_us "$build/bin/qfbinfo" "$work/walk.qfb" --sheet "$work/sheet.png" >>"$work/sheet.times"
done
extract=$(median <"$work/extract.times")
sheet=$(median <"$work/sheet.times")
awk -v e="$extract" -v s="$sheet" -v n="$repetitions" -v bytes="$(stat -c %s "$work/sheet.png")" \
  'BEGIN { printf "extract %.3f s, sheet %.3f s (%d bytes), sheet / extract %.2f (medians of %d)\n", e / 1e6, s / 1e6, bytes, s / e, n }'
