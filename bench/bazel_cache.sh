#!/usr/bin/env bash
# Times a shared remote cache for the Bazel rule qfb_frame_set. SETS frame sets (default 500,
# each 8 frames of 128 x 128 at 32 bits with 3 mipmap levels, as the asset-build benchmark) go
# into a temporary Bazel workspace, built once with a cold cache (nginx serving WebDAV on
# 127.0.0.1); then a copy of the workspace in another folder, with a fresh output base as on
# another machine, is built against the now warm cache. Prints both times, the ratio and
# Bazel's process summaries.
#   [JOBS=N] bench/bazel_cache.sh [BUILD_DIR] [SETS]
# BUILD_DIR is a build with MAKEQFB_BENCH=ON (default build/bench), for make_frame_set. Times are
# wall-clock for `bazel build //...` with its server already running: loading, analysis, the
# compilation of makeqfb and every conversion (cold), or their cache look-ups and downloads (warm).
# JOBS is Bazel's --jobs (default 2, the cores here); cache hits wait on the network, not the
# cores, so a warm build gains from more.
set -euo pipefail
export LC_ALL=C  # a "." in $EPOCHREALTIME

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/.." && pwd)
build=${1:-$source_dir/build/bench}
sets=${2:-500}
jobs=${JOBS:-2}
maker=$build/bench/make_frame_set
nginx=$(command -v nginx || echo /usr/sbin/nginx)
# Seconds one Bazel command may take.
BAZEL_TIMEOUT=3600
if [ ! -x "$maker" ]; then
  echo "build make_frame_set first: cmake --workflow --preset bench, or cmake --build $build"
  exit 1
fi
if ! command -v bazel >/dev/null || [ ! -x "$nginx" ]; then
  echo "needs bazel and nginx: apt-get install bazel-bootstrap bazel-bootstrap-source nginx-core"
  exit 1
fi
# shellcheck source=../bazel/webdav_cache.sh
source "$source_dir/bazel/webdav_cache.sh"

work=$(mktemp -d)
cleanup() {
  local base
  for base in "$work/base-cold" "$work/base-warm"; do
    [ -d "$base" ] && timeout 60 bazel --output_base="$base" shutdown >/dev/null 2>&1
  done
  stop_webdav_cache
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=timing.sh
source "$here/timing.sh"

# bazel_in WORKSPACE OUTPUT_BASE ARGS...: one bounded Bazel command of the run.
bazel_in() {
  local workspace=$1 base=$2
  shift 2
  (cd "$workspace" && timeout "$BAZEL_TIMEOUT" bazel --output_base="$base" --host_jvm_args=-Xmx2g \
    --max_idle_secs=600 "$@")
}

# timed_build WORKSPACE OUTPUT_BASE: prints the build's wall-clock seconds; its log is LOG.
timed_build() {
  local workspace=$1 base=$2 start
  bazel_in "$workspace" "$base" info release >/dev/null 2>&1  # the server, started untimed
  start=$(now_us)
  bazel_in "$workspace" "$base" build --jobs="$jobs" --remote_cache="http://127.0.0.1:$webdav_port" //... \
    >"$base.log" 2>&1 || { tail -30 "$base.log" >&2; exit 1; }
  awk -v us=$(($(now_us) - start)) 'BEGIN { printf "%.1f", us / 1e6 }'
}

mkdir -p "$work/cold"
cat >"$work/cold/WORKSPACE" <<EOF
workspace(name = "qfb_bench")

local_repository(name = "makeqfb", path = "$source_dir")
EOF
cp "$source_dir/examples/bazel/.bazelrc" "$work/cold/"
{
  echo 'load("@makeqfb//bazel:qfb.bzl", "qfb_frame_set")'
  for ((i = 1; i <= sets; i++)); do
    printf 'qfb_frame_set(name = "s%04d", base = "sets/s%04d/walk.tga", format = "4444", fps = 30)\n' "$i" "$i"
  done
} >"$work/cold/BUILD.bazel"
for ((i = 1; i <= sets; i++)); do
  mkdir -p "$work/cold/sets/s$(printf %04d "$i")"
  "$maker" "$work/cold/sets/s$(printf %04d "$i")" walk 8 128 128 32 mips=3 >/dev/null
done
cp -r "$work/cold" "$work/warm"  # the other machine's checkout, before any build

start_webdav_cache "$nginx" "$work/cache" || { echo "nginx did not start"; exit 1; }
echo "processor: $(sed -n 's/^model name\t*: //p' /proc/cpuinfo | head -1), $(nproc) cores"
echo "--jobs=$jobs; $sets sets of 8 frames of 128 x 128 at 32 bits, 3 mipmap levels each"
cold=$(timed_build "$work/cold" "$work/base-cold")
echo "cold cache: ${cold} s   ($(grep -m1 ' processes*: ' "$work/base-cold.log" | sed 's/^INFO: //'))"
warm=$(timed_build "$work/warm" "$work/base-warm")
echo "warm cache, other workspace: ${warm} s   ($(grep -m1 ' processes*: ' "$work/base-warm.log" | sed 's/^INFO: //'))"
awk -v c="$cold" -v w="$warm" 'BEGIN { printf "cold / warm: %.1f\n", c / w }'
