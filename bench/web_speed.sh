#!/usr/bin/env bash
# The web module's speed against its targets, on a 4444 file of 14 frames of 1024 x 512 with 10
# mipmaps (19,573,432 bytes, under QFB_MAX_FILE_SIZE) written by libqfb's write side:
#   - open plus expand of every level of every frame in Node within 3 times the C library's time
#     for the same work (qfb_parse and qfb_expand_level), each form, medians of RUNS runs;
#   - the viewer's first frame of that file within 300 ms of the page's start in headless
#     Chromium (performance.timeOrigin to its qfb-first-frame mark), median of RUNS fresh pages.
#   bench/web_speed.sh [BUILD_DIR] [RUNS] [SCREENSHOT.png]
# BUILD_DIR is a release build with MAKEQFB_BENCH=ON (default build/release), RUNS at least 3
# (default 9). With a PNG path, also a screenshot of the viewer on the example walk.qfb.
# Exits 1 when a target is missed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/release}
runs=${2:-9}
screenshot=${3:-}
timing=$build/bench/web_expand_timing
package=$build/web/package
[ -x "$timing" ] || { echo "build it first: $timing"; exit 1; }
[ -f "$package/qfb.wasm" ] || { echo "build it first: $package (the qfb_web target)"; exit 1; }
[ "$runs" -ge 3 ] || { echo "at least 3 runs"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$work/big.qfb
"$timing" make "$file"

echo "processor: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores; node $(node --version)"
echo "file: $(stat -c %s "$file") bytes; qfb.wasm: $(stat -c %s "$package/qfb.wasm") bytes"
"$timing" time "$file" "$runs" >"$work/c"
node "$here/web_speed.mjs" expand "$package" "$file" "$runs" >"$work/node"
node "$here/web_speed.mjs" viewer "$package" "$file" "$runs" >"$work/viewer"

missed=0
while read -r form c_ms; do
  node_ms=$(awk -v f="$form" '$1 == f { print $2 }' "$work/node")
  ratio=$(awk -v a="$node_ms" -v b="$c_ms" 'BEGIN { printf "%.2f", a / b }')
  verdict=$(awk -v r="$ratio" 'BEGIN { print (r <= 3 ? "within 3x" : "MISSED 3x") }')
  printf 'open + expand, %-10s  C %8.1f ms   Node %8.1f ms   ratio %s  %s\n' "$form" "$c_ms" "$node_ms" "$ratio" "$verdict"
  [ "$verdict" = "within 3x" ] || missed=1
done <"$work/c"
first=$(awk '$1 == "first-frame" { print $2 }' "$work/viewer")
load=$(awk '$1 == "load" { print $2 }' "$work/viewer")
verdict=$(awk -v t="$first" 'BEGIN { print (t <= 300 ? "within 300 ms" : "MISSED 300 ms") }')
printf 'viewer: first frame %.1f ms after the page started (load event at %.1f ms)  %s\n' "$first" "$load" "$verdict"
[ "$verdict" = "within 300 ms" ] || missed=1

if [ -n "$screenshot" ]; then
  example=$build/examples/walk.qfb
  [ -f "$example" ] || { echo "build it first: $example (the example_walk target)"; exit 1; }
  node "$here/web_speed.mjs" screenshot "$package" "$example" "$screenshot" "scale=8&paused=1&frame=1"
  echo "screenshot: $screenshot"
fi
exit "$missed"
