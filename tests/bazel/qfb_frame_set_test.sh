#!/usr/bin/env bash
# End-to-end test of the Bazel rule qfb_frame_set on a copy of examples/bazel, whose sets are of
# both forms (base: Targa sets packed by makeqfb; frames: PNG images, a sprite sheet and an
# Aseprite tag packed by qfbprep pack):
# outputs equal to direct runs of the tools, no-op rebuilds, rebuilds of only the changed set, a
# second workspace served entirely from a shared HTTP cache (nginx with WebDAV on 127.0.0.1),
# hermetic conversion actions, a file in the source folder kept when a conversion runs
# unsandboxed, a damaged input failing with the tool's report, wrong arguments refused when the
# BUILD file loads, and the rule's discovery naming exactly the members makeqfb reads.
#   qfb_frame_set_test.sh MAKEQFB QFBPREP NGINX SOURCE_DIR MEMBERS
# MAKEQFB and QFBPREP are the CMake-built tools the Bazel outputs are compared with; MEMBERS
# prints the members makeqfb's discovery finds for a base filename. Every Bazel command and the
# cache server are bounded in time; the servers are stopped and the temporary folder removed at
# the end.
set -euo pipefail
export LC_ALL=C
# shellcheck source=../../bazel/webdav_cache.sh
source "$(dirname "$0")/../../bazel/webdav_cache.sh"

makeqfb=$(realpath "$1")
qfbprep=$(realpath "$2")
nginx=$3
source_dir=$(cd "$4" && pwd)
members=$(realpath "$5")

# The sets of examples/bazel/BUILD.bazel: name, format, fps; for the frames, also their files in
# art/ (a pattern) and what qfbprep pack is told.
SETS=("ball 4444 12" "sky 565 1")
FRAME_SETS=(
  "glow 4444 10 glow-*.png --mipmaps --dither"
  "pulse 4444 4 glow-[13].png --mipmaps 2 --keep-coverage 128 --bleed --dither ordered --strength 0.5"
  "fade 4444 10 glow[_.][sa]* --grid 3x1 --tag fade"
)

# Seconds one Bazel command may take (a cold build compiles makeqfb on two cores).
BAZEL_TIMEOUT=600

work=$(mktemp -d)
output_bases=()
cleanup() {
  local base
  for base in "${output_bases[@]}"; do
    timeout 60 bazel --output_base="$base" shutdown >/dev/null 2>&1 || true
  done
  stop_webdav_cache
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  exit 1
}

# run_bazel WORKSPACE OUTPUT_BASE COMMAND ARGS...: one bounded Bazel command; its output goes to
# $work/bazel.log. Returns Bazel's status.
run_bazel() {
  local workspace=$1 base=$2 command=$3
  shift 3
  [[ " ${output_bases[*]} " == *" $base "* ]] || output_bases+=("$base")
  (cd "$workspace" && timeout "$BAZEL_TIMEOUT" bazel --output_base="$base" --host_jvm_args=-Xmx1g \
    --max_idle_secs=600 "$command" --jobs=2 --override_repository=makeqfb="$source_dir" "$@") \
    >"$work/bazel.log" 2>&1
}

# build WORKSPACE OUTPUT_BASE ARGS...: a build that must succeed, against the shared cache.
build() {
  local workspace=$1 base=$2
  shift 2
  run_bazel "$workspace" "$base" build --remote_cache="http://127.0.0.1:$webdav_port" "$@" //... ||
    { cat "$work/bazel.log"; fail "bazel build in $workspace failed"; }
}

# The processes of the last build that were not Bazel's internal ones, as in its summary
# ("1 linux-sandbox", "21 remote cache hit"), joined by commas; empty when none ran.
processes_run() {
  sed -n 's/^INFO: [0-9]* processes*: //p' "$work/bazel.log" | tail -1 | tr -d '.' | tr ',' '\n' |
    sed 's/^ *//' | grep -v ' internal$' | paste -sd, || true
}

# Every set's output in WORKSPACE equals makeqfb's or qfbprep pack's own output for the same
# files in $work/direct (pack orders the frames itself).
check_outputs() {
  local workspace=$1 line name format fps files options
  for line in "${SETS[@]}"; do
    read -r name format fps <<<"$line"
    (cd "$work/direct" && "$makeqfb" "$format" "$fps" "art/$name.tga" >/dev/null) ||
      fail "makeqfb failed on $name"
    cmp "$work/direct/art/$name.qfb" "$workspace/bazel-bin/$name.qfb" ||
      fail "$workspace: $name.qfb differs from makeqfb's"
  done
  for line in "${FRAME_SETS[@]}"; do
    read -r name format fps files options <<<"$line"
    # shellcheck disable=SC2086  # the options are words, the files a pattern
    (cd "$work/direct" && "$qfbprep" pack "$format" "$fps" "$name.qfb" $options art/$files >/dev/null) ||
      fail "qfbprep pack failed on $name"
    cmp "$work/direct/$name.qfb" "$workspace/bazel-bin/$name.qfb" ||
      fail "$workspace: $name.qfb differs from qfbprep pack's"
  done
}

# One local run of exactly one set, and every output right.
check_one_set_rebuilt() {
  local what=$1 run
  run=$(processes_run)
  [[ "$run" =~ ^1\ [a-z-]*sandbox$ ]] || fail "$what: expected one conversion to run, Bazel ran: '$run'"
  echo "$what: $run"
  check_outputs "$work/a"
}

start_webdav_cache "$nginx" "$work/cache" || fail "nginx did not start"
mkdir -p "$work/direct"
cp -r "$source_dir/examples/bazel" "$work/a"
cp -r "$source_dir/examples/bazel/art" "$work/direct/art"
rm -f "$work"/a/bazel-* "$work/direct/art"/*.qfb

# Cold build: the outputs are makeqfb's; a second build runs nothing.
build "$work/a" "$work/base-a"
check_outputs "$work/a"
build "$work/a" "$work/base-a"
[ -z "$(processes_run)" ] || fail "a second build ran: $(processes_run)"

# Another machine: a copy in another folder with a fresh output base gets every action, the tools'
# compilation and every conversion, from the shared cache, and the same bytes.
cp -r "$source_dir/examples/bazel" "$work/b"
rm -f "$work"/b/bazel-*
build "$work/b" "$work/base-b" --execution_log_json_file="$work/b-spawns.json"
[[ "$(processes_run)" =~ ^[0-9]+\ remote\ cache\ hit$ ]] ||
  fail "the second workspace ran something itself: $(processes_run)"
echo "second workspace: $(processes_run)"
for line in "${SETS[@]}" "${FRAME_SETS[@]}"; do
  read -r name _ <<<"$line"
  cmp "$work/a/bazel-bin/$name.qfb" "$work/b/bazel-bin/$name.qfb" || fail "$name.qfb differs between the workspaces"
done
# Each conversion a cache hit, with nothing of the machine in its command line or environment
# (the shell is /bin/bash on every machine).
conversions=$((${#SETS[@]} + ${#FRAME_SETS[@]}))
python3 - "$work/b-spawns.json" "$conversions" <<'EOF' || fail "the conversion actions are not all hermetic cache hits"
import json, sys
# The log is one JSON object after another.
text, decoder, at, spawns = open(sys.argv[1]).read(), json.JSONDecoder(), 0, []
while True:
    while at < len(text) and text[at].isspace():
        at += 1
    if at == len(text):
        break
    spawn, at = decoder.raw_decode(text, at)
    spawns.append(spawn)
conversions = [s for s in spawns if s.get("mnemonic") == "QfbFrameSet"]
hits = [s for s in conversions if s.get("remoteCacheHit")]
print("conversion actions: %d, remote cache hits: %d" % (len(conversions), len(hits)))
for s in conversions:
    absolute = [a for a in s.get("commandArgs", [])[1:] if a.startswith("/")]
    if absolute or s.get("environmentVariables") or s["commandArgs"][0] != "/bin/bash":
        print("not hermetic:", s.get("commandArgs"), s.get("environmentVariables"))
        sys.exit(1)
sys.exit(0 if len(conversions) == len(hits) == int(sys.argv[2]) else 1)
EOF

# A new frame (with its level) and a changed mipmap level each rebuild their set alone.
for folder in "$work/a/art" "$work/direct/art"; do
  cp "$folder/ball-0002.tga" "$folder/ball-0003.tga"
  cp "$folder/ball-a0002.tga" "$folder/ball-a0003.tga"
done
# Without a sandbox makeqfb would write into the source folder: a file in its way is kept, and
# the conversion fails.
echo keep >"$work/a/art/ball.qfb"
if run_bazel "$work/a" "$work/base-a" build --spawn_strategy=local //...; then
  fail "a conversion ran over art/ball.qfb in the source folder"
fi
grep -qF "art/ball.qfb is in the way" "$work/bazel.log" || { cat "$work/bazel.log"; fail "no reason given for art/ball.qfb"; }
[ "$(cat "$work/a/art/ball.qfb")" = keep ] || fail "art/ball.qfb in the source folder was overwritten"
rm "$work/a/art/ball.qfb"
build "$work/a" "$work/base-a"
check_one_set_rebuilt "a new frame"
for folder in "$work/a/art" "$work/direct/art"; do
  printf '\x55' | dd of="$folder/sky-a.tga" bs=1 seek=100 conv=notrunc status=none
done
build "$work/a" "$work/base-a"
check_one_set_rebuilt "a changed mipmap level"
# A new PNG frame, glow-10.png, packed after glow-3.png (the rule orders the frames by number, though
# the glob lists it second), and a changed one, each rebuild their set alone.
for folder in "$work/a/art" "$work/direct/art"; do
  cp "$folder/glow-1.png" "$folder/glow-10.png"
done
build "$work/a" "$work/base-a"
check_one_set_rebuilt "a new PNG frame"
for folder in "$work/a/art" "$work/direct/art"; do
  cp "$folder/glow-3.png" "$folder/glow-2.png"
done
build "$work/a" "$work/base-a"
check_one_set_rebuilt "a changed PNG frame"

# A damaged input fails the build of its set with the tool's report, every line of it.
#   target  damaged file        the tool's run on the same files (in $work/direct)
DAMAGED=(
  "ball     art/ball-0002.tga   makeqfb 4444 12 art/ball.tga"
  "glow     art/glow-2.png      qfbprep pack 4444 10 glow.qfb --mipmaps --dither art/glow-*.png"
)
for row in "${DAMAGED[@]}"; do
  read -r target file tool arguments <<<"$row"
  truncate -s 100 "$work/a/$file" "$work/direct/$file"
  # shellcheck disable=SC2086  # the arguments are words
  if (cd "$work/direct" && "${!tool}" $arguments >"$work/direct.log"); then
    fail "$tool converted a damaged $file"
  fi
  if run_bazel "$work/a" "$work/base-a" build "//:$target"; then
    fail "the build succeeded with a damaged $file"
  fi
  while IFS= read -r line; do
    grep -qxF -- "$line" "$work/bazel.log" || { cat "$work/bazel.log"; fail "the build did not report: $line"; }
  done <"$work/direct.log"
  echo "a damaged $file: $(tail -1 "$work/direct.log")"
done

# Wrong arguments stop the build when the BUILD file loads, with the reason.
#   qfb_frame_set(name = "bad", ...)                                  | reason
BAD_ARGUMENTS=(
  'base = "art/ball.tga", format = "555", fps = 12                    | format must be one of "1555", "4444" or "565"'
  'base = "art/ball.tga", format = "4444", fps = 0                    | fps must be a whole number from 1 to 2147483647'
  'base = "art/ball", format = "4444", fps = 12                       | base must be a file name with an extension'
  'base = "art/cloud.tga", format = "4444", fps = 12                  | no frame set named by "art/cloud.tga" in this package'
  'base = "art/ball.tga", frames = ["art/glow-1.png"], format = "4444", fps = 12 | give either base (a Targa set) or frames'
  'base = "art/ball.tga", format = "4444", fps = 12, dither = True    | mipmaps, keep_coverage, alpha_threshold, bleed, dither and strength go with frames'
  'base = "art/ball.tga", format = "4444", fps = 12, bleed = True     | mipmaps, keep_coverage, alpha_threshold, bleed, dither and strength go with frames'
  'frames = glob(["art/cloud-*.png"]), format = "4444", fps = 12      | frames is empty'
  'frames = "art/glow-1.png", format = "4444", fps = 12               | frames must be a list of images'
  'frames = ["art/glow-1.png"], format = "4444", fps = 12, mipmaps = 0 | mipmaps must be True (every level that fits) or a whole number of levels from 1 to 159, not 0'
  'frames = ["art/glow-1.png"], format = "4444", fps = 12, dither = 1 | dither must be True, False or a method, "diffusion", "ordered", "bayer" or "stable", not 1'
  'frames = ["art/glow-1.png"], format = "4444", fps = 12, dither = "floyd" | dither must be True, False or a method'
  'frames = ["art/glow-1.png"], format = "4444", fps = 12, strength = "0.5" | strength goes with dither'
  'frames = ["art/glow-1.png"], format = "4444", fps = 12, dither = True, strength = "1.5" | strength must be a number from 0 to 1 as a string'
  'frames = ["art/glow-1.png"], format = "4444", fps = 12, dither = True, strength = "0.1234" | strength must be a number from 0 to 1 as a string'
  'frames = ["art/glow-1.png"], format = "4444", fps = 12, dither = True, strength = 0.5 | strength must be a number from 0 to 1 as a string, with at most three digits after the point, such as "0.5", not 0.5'
  'frames = ["art/glow-1.png"], format = "4444", fps = 12, keep_coverage = 128 | keep_coverage goes with mipmaps'
  'frames = ["art/glow-1.png"], format = "4444", fps = 12, mipmaps = True, keep_coverage = 0 | keep_coverage must be a whole number from 1 to 255, not 0'
  'frames = ["art/glow-1.png"], format = "4444", fps = 12, alpha_threshold = 256 | alpha_threshold must be a whole number from 0 to 255, not 256'
  'frames = ["art/glow-1.png"], format = "4444", fps = 12, grid = "8" | grid must be two whole numbers with an x between them, such as "8x4", not "8"'
  'base = "art/ball.tga", format = "4444", fps = 12, tag = "run"      | grid, cell, cells and tag go with frames'
)
for row in "${BAD_ARGUMENTS[@]}"; do
  arguments=${row%%|*} reason=${row#*| }
  cat >"$work/a/BUILD.bazel" <<EOF
load("@makeqfb//bazel:qfb.bzl", "qfb_frame_set")
qfb_frame_set(name = "bad", $arguments)
EOF
  if run_bazel "$work/a" "$work/base-a" build --nobuild //:bad; then
    fail "qfb_frame_set accepted $arguments"
  fi
  grep -qF -- "qfb_frame_set(name = \"bad\"): $reason" "$work/bazel.log" ||
    { cat "$work/bazel.log"; fail "no reason given for $arguments"; }
done

# The rule names the members makeqfb reads, for every form of set: the single image with 30 levels
# ('a' to '~'), frames from 0000 and from 0001 with levels, a gap and stray files left out. A set
# with a 31st level (its letter DEL, which no Bazel label holds) is refused, never packed short.
query() {
  (cd "$work/a" && timeout "$BAZEL_TIMEOUT" bazel --output_base="$work/base-a" query \
    --override_repository=makeqfb="$source_dir" "labels(srcs, //names:$1)") >"$work/bazel.log" 2>&1
}
mkdir -p "$work/a/names"
(
  cd "$work/a/names"
  python3 - <<'EOF'
names = ["one.tga"] + ["one-%s.tga" % chr(c) for c in range(ord("a"), ord("~") + 1)]
names += ["zero-%s%04d.tga" % (l, f) for f in range(3) for l in ["", "a", "b"]] + ["zero-0004.tga", "zero-d0001.tga"]
names += ["first-%04d.tga" % f for f in range(1, 4)] + ["first-a%04d.tga" % f for f in range(1, 4)] + ["first-x.tga", "first-c0002.tga"]
for name in names:
    open(name, "wb").close()
for c in range(ord("a"), 0x80):
    open(b"del-" + bytes([c]) + b".tga", "wb").close()
open(b"del.tga", "wb").close()
EOF
)
for set in one zero first del; do
  printf 'load("@makeqfb//bazel:qfb.bzl", "qfb_frame_set")\nqfb_frame_set(name = "%s", base = "%s.tga", format = "565", fps = 1)\n' \
    "$set" "$set" >"$work/a/names/BUILD.bazel"
  (cd "$work/a/names" && "$members" "$set.tga") >"$work/expected" || fail "no set $set for makeqfb"
  if [ "$set" = del ]; then
    query "$set" && fail "a set with a 31st level was accepted"
    grep -qF "has a 31st mipmap level" "$work/bazel.log" || { cat "$work/bazel.log"; fail "no reason given for a 31st level"; }
    continue
  fi
  query "$set" || { cat "$work/bazel.log"; fail "query of $set"; }
  grep '^//names:' "$work/bazel.log" | sed 's|^//names:||' | sort >"$work/named"
  sort "$work/expected" | cmp -s - "$work/named" ||
    { diff <(sort "$work/expected") "$work/named"; fail "the rule names other members of $set than makeqfb reads"; }
  echo "names of $set: $(wc -l <"$work/named") members, as makeqfb reads them"
done
rm -r "$work/a/names"

echo "qfb_frame_set: all checks passed"
