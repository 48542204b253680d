#!/usr/bin/env bash
# The CMake package end to end: installs this build into a temporary prefix, configures the
# example consumer project (examples/consumer) against it with Ninja, and runs a table of
# scenarios on copies of the example frame sets. Each scenario changes the sets or the consumer,
# builds, and checks which outputs were rebuilt and what they hold.
#   frame_set_build_test.sh CMAKE BUILD_DIR SOURCE_DIR
set -uo pipefail
cmake=$1 build_dir=$2 source_dir=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix art=$work/art consumer=$work/consumer out=$work/build
failures=0

fail() { echo "FAIL [$scenario]: $*"; failures=$((failures + 1)); }

"$cmake" --install "$build_dir" --prefix "$prefix" >/dev/null || { echo "install failed"; exit 1; }
makeqfb=$prefix/bin/makeqfb qfbinfo=$prefix/bin/qfbinfo
mkdir -p "$art" "$consumer"
cp "$source_dir"/examples/walk-*.tga "$source_dir"/examples/spin*.tga "$art"/
cp "$source_dir"/examples/consumer/CMakeLists.txt "$consumer"/

configure() {  # configure BUILD_FOLDER ART_FOLDER
  "$cmake" -S "$consumer" -B "$1" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DART_DIR="$2" >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log"; exit 1; }
}

# build [FOLDER]: builds, keeping the output in $work/build.log and the status in $status.
build() {
  "$cmake" --build "${1:-$out}" >"$work/build.log" 2>&1
  status=$?
}

stamps() { stat -c '%n %.9Y' "$out"/walk.qfb "$out"/spin.qfb 2>/dev/null; }

# rebuilt: the outputs whose time stamp moved since the last call of stamps_before.
stamps_before() { before=$(stamps); }
rebuilt() { diff <(echo "$before") <(stamps) | sed -n 's|^> .*/\([a-z]*\.qfb\) .*|\1|p' | tr '\n' ' ' | sed 's/ $//'; }

field() { "$qfbinfo" "$1" | awk -v name="$2" '$1 == name { print $2 }'; }

# same_as_direct OUTPUT FORMAT FPS BASE: OUTPUT equals what makeqfb makes of a copy of the set.
same_as_direct() {
  local scratch=$work/direct stem
  stem=$(basename "$4" .tga)
  rm -rf "$scratch" && mkdir -p "$scratch"
  cp "$(dirname "$4")/$stem"*.tga "$scratch"/
  "$makeqfb" "$2" "$3" "$scratch/$stem.tga" >/dev/null || { fail "makeqfb failed on $4"; return; }
  cmp -s "$1" "$scratch/$stem.qfb" || fail "$1 differs from a direct makeqfb run"
}

# write_level NAME: a 4 x 4 32-bit Targa file, the next level of the 8 x 8 example levels.
write_level() {
  { printf '\0\0\2\0\0\0\0\0\0\0\0\0\4\0\4\0\40\10'; head -c 64 /dev/zero | tr '\0' '\200'; } >"$1"
}

# The scenarios, in order: each acts, builds, and states its expectations.
scenario_first_build() {
  build
  [ "$status" -eq 0 ] || fail "build failed: $(cat "$work/build.log")"
  same_as_direct "$out/walk.qfb" 4444 12 "$art/walk.tga"
  same_as_direct "$out/spin.qfb" 1555 30 "$art/spin.tga"
  # The same sets in another folder, built in another build folder, give the same bytes.
  cp -r "$art" "$work/art-copy"
  configure "$work/build-copy" "$work/art-copy"
  build "$work/build-copy"
  for qfb in walk.qfb spin.qfb; do
    cmp -s "$out/$qfb" "$work/build-copy/$qfb" || fail "$qfb differs when built from another folder"
  done
}
scenario_nothing_changed() { build; expect_rebuilt=""; }
scenario_frame_touched() { touch "$art/walk-0002.tga"; build; expect_rebuilt="walk.qfb"; }
scenario_frame_added() {
  for level in "" a b; do cp "$art/walk-${level}0001.tga" "$art/walk-${level}0004.tga"; done
  build; expect_rebuilt="walk.qfb"; expect_frames=4
}
scenario_last_frame_removed() { rm "$art"/walk-*0004.tga; build; expect_rebuilt="walk.qfb"; expect_frames=3; }
scenario_mipmap_level_added() {
  for frame in 0001 0002 0003; do write_level "$art/walk-c$frame.tga"; done
  build; expect_rebuilt="walk.qfb"; expect_mipmaps=3
}
scenario_fps_changed() {
  sed -i 's/walk.tga FORMAT 4444 FPS 12/walk.tga FORMAT 4444 FPS 24/' "$consumer/CMakeLists.txt"
  build; expect_rebuilt="walk.qfb"
  [ "$(field "$out/walk.qfb" fps)" = 24 ] || fail "fps is not 24"
}
scenario_damaged_member() {
  cp "$out/walk.qfb" "$work/previous.qfb"
  head -c 100 "$source_dir/examples/walk-0002.tga" >"$art/walk-0002.tga"
  build; expect_status=fail; expect_rebuilt=""
  grep -q "walk-0002.tga: pixel data is cut short." "$work/build.log" || fail "no makeqfb message naming the file"
  grep -q "makeqfb failed on the frame set $art/walk.tga" "$work/build.log" || fail "the failed set is not named"
  cmp -s "$out/walk.qfb" "$work/previous.qfb" || fail "the previous output was not kept"
}

configure "$out" "$art"
for scenario in first_build nothing_changed frame_touched frame_added last_frame_removed \
                mipmap_level_added fps_changed damaged_member; do
  expect_status=ok expect_rebuilt="-" expect_frames="" expect_mipmaps=""
  stamps_before
  "scenario_$scenario"
  if [ "$expect_status" = ok ]; then
    [ "$status" -eq 0 ] || fail "build failed: $(cat "$work/build.log")"
    # Quiet on success: nothing of makeqfb's report reaches the build's output.
    ! grep -E "Creating|qfb file created|Conversion complete|frames?, " "$work/build.log" ||
      fail "makeqfb's report is in the build output"
  else
    [ "$status" -ne 0 ] || fail "the build succeeded"
  fi
  if [ "$expect_rebuilt" != "-" ]; then
    [ "$(rebuilt)" = "$expect_rebuilt" ] || fail "rebuilt '$(rebuilt)', expected '$expect_rebuilt'"
  fi
  if [ "$expect_rebuilt" = "" ] && [ "$expect_status" = ok ]; then
    grep -q "ninja: no work to do." "$work/build.log" || fail "Ninja had work to do: $(cat "$work/build.log")"
  fi
  [ -z "$expect_frames" ] || [ "$(field "$out/walk.qfb" frames)" = "$expect_frames" ] ||
    fail "$(field "$out/walk.qfb" frames) frames, expected $expect_frames"
  [ -z "$expect_mipmaps" ] || [ "$(field "$out/walk.qfb" mipmaps)" = "$expect_mipmaps" ] ||
    fail "$(field "$out/walk.qfb" mipmaps) mipmaps, expected $expect_mipmaps"
  [ "$expect_rebuilt" = "-" ] || [ "$expect_status" != ok ] ||
    [ -z "$expect_rebuilt" ] || same_as_direct "$out/walk.qfb" 4444 "$(field "$out/walk.qfb" fps)" "$art/walk.tga"
  echo "scenario $scenario: done"
done
[ "$failures" -eq 0 ] && echo "every scenario passed" || { echo "$failures failures"; exit 1; }
