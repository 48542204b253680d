#!/usr/bin/env bash
# Scale of asset builds through the CMake package: writes N small frame sets into a temporary
# folder, installs makeqfb from a build folder into a prefix there, declares every set with
# makeqfb_add_frame_set in a generated consumer project, and times with Ninja:
#   - the full build at -j1 and at -j$(nproc), and the speed-up;
#   - a no-op rebuild, against the full build at -j$(nproc);
#   - the per-set overhead of the build step: the -j1 build against the same makeqfb commands
#     run from a plain shell loop, and Ninja's own cost of a step that runs nothing (it starts
#     every command through /bin/sh), as the floor of that overhead.
# Each figure is the median of ROUNDS runs, the kinds of run taken in turn within each round.
#   bench/build_scale.sh [BUILD_DIR] [SETS] [ROUNDS]    (defaults: build/release 500 5)
# Sets are 8 frames of 128 x 128 at 32 bits with 3 mipmap levels each (FRAMES, SIDE, MIPS to change).
set -euo pipefail
build_dir=${1:-build/release} sets=${2:-500} rounds=${3:-5}
frames=${FRAMES:-8} side=${SIDE:-128} mips=${MIPS:-3}
jobs=$(nproc)
maker=$build_dir/bench/make_frame_set
[ -x "$maker" ] || { echo "no $maker: build with MAKEQFB_BENCH=ON (release or bench preset)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
makeqfb=$work/prefix/bin/makeqfb

# The sets, and a consumer project that declares each of them.
mkdir -p "$work/art" "$work/consumer"
{
  echo 'cmake_minimum_required(VERSION 3.25)'
  echo 'project(scale NONE)'
  echo 'find_package(makeqfb 1.0 CONFIG REQUIRED)'
  for i in $(seq -w 1 "$sets"); do
    mkdir -p "$work/art/s$i"
    "$maker" "$work/art/s$i" walk "$frames" "$side" "$side" 32 "mips=$mips" >/dev/null
    echo "makeqfb_add_frame_set(s$i/walk.qfb BASE $work/art/s$i/walk.tga FORMAT 4444 FPS 12)"
    outputs+=" s$i/walk.qfb"
  done
  echo "add_custom_target(assets ALL DEPENDS$outputs)"
} >"$work/consumer/CMakeLists.txt"
out=$work/build
cmake -S "$work/consumer" -B "$out" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null

# The plain shell loop: the same commands, each report going to the same log.
shell_loop() {
  for i in $(seq -w 1 "$sets"); do
    "$makeqfb" 4444 12 "$out/s$i/walk.tga" >"$out/s$i/walk.qfb.log"
  done
}

# A Ninja file of as many steps that run nothing, each writing an empty file through the shell.
mkdir -p "$work/floor"
{
  echo 'rule empty'
  echo '  command = cd $dir && : > $out'
  for i in $(seq -w 1 "$sets"); do echo "build s$i.done: empty"; echo "  dir = $work/floor"; done
} >"$work/floor/build.ninja"

# shellcheck source=timing.sh
source "$(dirname "$0")/timing.sh"

ninja -C "$out" >/dev/null  # warm the page cache and the links
declare -A times
for round in $(seq "$rounds"); do
  ninja -C "$out" -t clean >/dev/null; times[j1]+=" $(run_us ninja -C "$out" -j1)"
  times[noop]+=" $(run_us ninja -C "$out")"
  ninja -C "$out" -t clean >/dev/null; times[jn]+=" $(run_us ninja -C "$out" -j"$jobs")"
  times[loop]+=" $(run_us shell_loop)"
  ninja -C "$work/floor" -t clean >/dev/null; times[floor]+=" $(run_us ninja -C "$work/floor" -j1)"
done
j1=$(echo ${times[j1]} | median) jn=$(echo ${times[jn]} | median)
noop=$(echo ${times[noop]} | median) loop=$(echo ${times[loop]} | median)
floor=$(echo ${times[floor]} | median)

echo "processor: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), $jobs cores"
echo "sets: $sets x $frames frames of $side x $side at 32 bits with $mips mipmap levels; median of $rounds rounds"
awk -v j1="$j1" -v jn="$jn" -v noop="$noop" -v loop="$loop" -v floor="$floor" -v sets="$sets" -v jobs="$jobs" 'BEGIN {
  printf "full build -j1:        %8.1f ms\n", j1 / 1000
  printf "full build -j%d:        %8.1f ms   speed-up %.2f\n", jobs, jn / 1000, j1 / jn
  printf "no-op rebuild:         %8.1f ms   %.2f%% of the full build at -j%d\n", noop / 1000, 100 * noop / jn, jobs
  printf "shell loop of makeqfb: %8.1f ms   %.3f ms a set\n", loop / 1000, loop / 1000 / sets
  printf "build step overhead:   %8.3f ms a set, %.1f%% of the makeqfb run\n", (j1 - loop) / 1000 / sets, 100 * (j1 - loop) / loop
  printf "Ninja step, no work:   %8.3f ms a set, %.1f%% of the makeqfb run\n", floor / 1000 / sets, 100 * floor / loop
}'
