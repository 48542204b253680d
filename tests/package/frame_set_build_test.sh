#!/usr/bin/env bash
# The CMake package end to end: installs this build into a temporary prefix, configures the
# example consumer project (examples/consumer) against it with Ninja, and runs a table of
# scenarios on copies of the example frame sets: the Targa sets walk and spin (BASE), the PNG
# frames glow (FRAMES, a pattern, in a folder of their own) and flash (FRAMES: a frame made by a
# build step, and a Targa file), and the glow as a sprite sheet and an Aseprite tag (GRID, TAG). Each scenario changes the sets or the consumer, builds, and
# checks which outputs were rebuilt and that each equals a direct run of makeqfb or qfbprep pack.
# The scenarios of what rebuilds run again under Unix Makefiles, where each folder's steps are a
# Makefile of their own (so a frame made in another folder needs DEPENDS). Then a table of wrong
# arguments, each refused when CMake runs.
#   frame_set_build_test.sh CMAKE BUILD_DIR SOURCE_DIR
set -uo pipefail
cmake=$1 build_dir=$2 source_dir=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix art=$work/art consumer=$work/consumer out=$work/build
# The PNG frames apart from the Targa sets, whose folder is itself a configure dependency.
frames=$art/frames
failures=0 generator=Ninja

fail() { echo "FAIL [$generator: $scenario]: $*"; failures=$((failures + 1)); }

"$cmake" --install "$build_dir" --prefix "$prefix" >/dev/null || { echo "install failed"; exit 1; }
makeqfb=$prefix/bin/makeqfb qfbinfo=$prefix/bin/qfbinfo qfbprep=$prefix/bin/qfbprep

# Fresh copies of the sets and the consumer, and a build folder for none yet.
set_up() {
  rm -rf "$art" "$consumer" "$out" "$work/art-copy" "$work/build-copy"
  mkdir -p "$frames" "$consumer"
  cp "$source_dir"/examples/walk-*.tga "$source_dir"/examples/spin*.tga "$art"/
  cp "$source_dir"/examples/glow-*.png "$frames"/
  cp "$frames/glow-2.png" "$art/spark.png"
  # shellcheck disable=SC2016  # CMake's variable, not the shell's
  sed 's|${ART_DIR}/glow-|${ART_DIR}/frames/glow-|' "$source_dir"/examples/consumer/CMakeLists.txt >"$consumer/CMakeLists.txt"
  grep -q 'frames/glow-' "$consumer/CMakeLists.txt" || { echo "the consumer has no glow set"; exit 1; }
  cat >>"$consumer/CMakeLists.txt" <<'EOF'

# A frame made by a build step of another folder, then a Targa file of the sources.
add_subdirectory(made)
makeqfb_add_frame_set(flash.qfb FRAMES ${CMAKE_CURRENT_BINARY_DIR}/made/spark-1.png ${ART_DIR}/spin.tga
                      FORMAT 565 FPS 5 DEPENDS sparks)
add_custom_target(flash ALL DEPENDS flash.qfb)
EOF
  mkdir -p "$consumer/made"
  cat >"$consumer/made/CMakeLists.txt" <<'EOF'
set(made ${CMAKE_CURRENT_BINARY_DIR}/spark-1.png)
add_custom_command(OUTPUT ${made} COMMAND ${CMAKE_COMMAND} -E copy ${ART_DIR}/spark.png ${made} DEPENDS ${ART_DIR}/spark.png)
add_custom_target(sparks DEPENDS ${made})
EOF
  # What the consumer tells qfbprep pack for glow; the scenarios that change it keep it up to date.
  glow_options="--mipmaps --dither"
}

configure() {  # configure BUILD_FOLDER ART_FOLDER
  "$cmake" -S "$consumer" -B "$1" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" -DART_DIR="$2" >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log"; exit 1; }
}

# build [FOLDER [ARGUMENTS]]: builds, keeping the output in $work/build.log and the status in $status.
build() {
  "$cmake" --build "${1:-$out}" "${@:2}" >"$work/build.log" 2>&1
  status=$?
}

OUTPUTS=(walk.qfb spin.qfb glow.qfb flash.qfb)
stamps() { (cd "$out" && stat -c '%n %.9Y' "${OUTPUTS[@]}" 2>/dev/null); }

# rebuilt: the outputs whose time stamp moved since the last call of stamps_before.
stamps_before() { before=$(stamps); }
rebuilt() { diff <(echo "$before") <(stamps) | sed -n 's|^> \([a-z]*\.qfb\) .*|\1|p' | tr '\n' ' ' | sed 's/ $//'; }

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

# same_as_pack OUTPUT FORMAT FPS "OPTIONS" FRAMES...: OUTPUT equals what qfbprep pack makes of the
# frames, which it puts in natural order itself unless told --as-given.
same_as_pack() {
  local output=$1 format=$2 fps=$3 options=$4
  shift 4
  # shellcheck disable=SC2086  # the options are words
  "$qfbprep" pack "$format" "$fps" "$work/direct.qfb" $options "$@" >"$work/direct.log" ||
    { fail "qfbprep pack failed: $(cat "$work/direct.log")"; return; }
  cmp -s "$output" "$work/direct.qfb" || fail "$output differs from a direct qfbprep pack run"
}

# same_as_direct_run NAME: the output NAME (in $out) equals a direct run of the tool on its inputs.
same_as_direct_run() {
  case $1 in
    walk.qfb) same_as_direct "$out/walk.qfb" 4444 "$(field "$out/walk.qfb" fps)" "$art/walk.tga" ;;
    spin.qfb) same_as_direct "$out/spin.qfb" 1555 30 "$art/spin.tga" ;;
    glow.qfb) same_as_pack "$out/glow.qfb" 4444 10 "$glow_options" "$frames"/glow-*.png ;;
    flash.qfb) same_as_pack "$out/flash.qfb" 565 5 --as-given "$out/made/spark-1.png" "$art/spin.tga" ;;
  esac
}

# write_level NAME: a 4 x 4 32-bit Targa file, the next level of the 8 x 8 example levels.
write_level() {
  { printf '\0\0\2\0\0\0\0\0\0\0\0\0\4\0\4\0\40\10'; head -c 64 /dev/zero | tr '\0' '\200'; } >"$1"
}

# The scenarios, in order: each acts, builds, and states its expectations.
scenario_first_build() {
  local sources
  sources=$(ls -A "$art")
  build
  [ "$status" -eq 0 ] || fail "build failed: $(cat "$work/build.log")"
  for qfb in "${OUTPUTS[@]}"; do same_as_direct_run "$qfb"; done
  [ "$(grep -c "^Note: .*565 keeps no alpha" "$work/build.log")" = 1 ] ||
    fail "pack's note on flash.qfb's alpha is not in the build's output once: $(cat "$work/build.log")"
  [ "$(field "$out/glow.qfb" mipmaps)" = 4 ] || fail "glow.qfb has $(field "$out/glow.qfb" mipmaps) mipmaps, not 4"
  [ "$(ls -A "$art")" = "$sources" ] || fail "the build wrote into the source folder: $(ls -A "$art")"
  # The same sets in another folder, built in another build folder, give the same bytes.
  cp -r "$art" "$work/art-copy"
  configure "$work/build-copy" "$work/art-copy"
  build "$work/build-copy"
  for qfb in "${OUTPUTS[@]}"; do
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
scenario_frame_after_gap() {
  cp "$art/walk-0001.tga" "$art/walk-0005.tga"
  build; expect_rebuilt="walk.qfb"; expect_frames=3
  grep -q "qfbprep check" "$work/build.log" && grep -q "walk-0005.tga is not used: makeqfb stops at the gap" "$work/build.log" ||
    fail "no warning naming the frame after the gap: $(cat "$work/build.log")"
}
# glow: PNG frames found by a pattern, in natural order.
scenario_png_frame_changed() { cp "$frames/glow-1.png" "$frames/glow-2.png"; build; expect_rebuilt="glow.qfb"; }
scenario_png_frame_added() {
  cp "$frames/glow-3.png" "$frames/glow-4.png"
  build; expect_rebuilt="glow.qfb"; expect_frames=4
}
scenario_png_frame_removed() { rm "$frames/glow-4.png"; build; expect_rebuilt="glow.qfb"; expect_frames=3; }
# glow-10.png after glow-2.png, as glow-3.png was: the same frames in the same order, the same bytes.
scenario_png_frame_renamed() {
  cp "$out/glow.qfb" "$work/previous.qfb"
  mv "$frames/glow-3.png" "$frames/glow-10.png"
  build; expect_rebuilt="glow.qfb"; expect_frames=3
  cmp -s "$out/glow.qfb" "$work/previous.qfb" || fail "glow-10.png is not packed where glow-3.png was"
}
# glow_arguments OLD NEW OPTIONS: glow's arguments OLD become NEW, and pack is told OPTIONS.
glow_arguments() {
  sed -i "s/glow-\*.png FORMAT 4444 FPS 10 $1)/glow-*.png FORMAT 4444 FPS 10 $2)/" "$consumer/CMakeLists.txt"
  grep -qF "FPS 10 $2)" "$consumer/CMakeLists.txt" || fail "the consumer has no glow set with $1"
  glow_options=$3
  build; expect_rebuilt="glow.qfb"
}
scenario_mipmaps_changed() { glow_arguments "MIPMAPS DITHER" "MIPMAPS 1 DITHER" "--mipmaps 1 --dither"; expect_mipmaps=1; }
scenario_dither_method_changed() {
  glow_arguments "MIPMAPS 1 DITHER" "MIPMAPS 1 DITHER ordered" "--mipmaps 1 --dither ordered"
}
scenario_strength_changed() {
  glow_arguments "MIPMAPS 1 DITHER ordered" "MIPMAPS 1 DITHER ordered STRENGTH 0.5" "--mipmaps 1 --dither ordered --strength 0.5"
}
scenario_dither_dropped() { glow_arguments "MIPMAPS 1 DITHER ordered STRENGTH 0.5" "MIPMAPS 1" "--mipmaps 1"; }
scenario_alpha_threshold_added() {
  glow_arguments "MIPMAPS 1" "MIPMAPS 1 ALPHA_THRESHOLD 128" "--mipmaps 1 --alpha-threshold 128"
}
scenario_coverage_kept_and_bled() {
  glow_arguments "MIPMAPS 1 ALPHA_THRESHOLD 128" "MIPMAPS 1 ALPHA_THRESHOLD 128 KEEP_COVERAGE 128 BLEED" \
    "--mipmaps 1 --alpha-threshold 128 --keep-coverage 128 --bleed"
}
# A set of a sprite sheet's cells and an Aseprite tag's frames.
scenario_sheet_and_tag_added() {
  cp "$source_dir"/examples/glow_sheet.png "$source_dir"/examples/glow.aseprite "$art"/
  cat >>"$consumer/CMakeLists.txt" <<'EOF'
makeqfb_add_frame_set(fade.qfb FRAMES ${ART_DIR}/glow_sheet.png ${ART_DIR}/glow.aseprite GRID 3x1 TAG fade FORMAT 4444 FPS 10)
add_custom_target(fade ALL DEPENDS fade.qfb)
EOF
  build
  [ "$(field "$out/fade.qfb" frames)" = 6 ] || fail "fade.qfb has $(field "$out/fade.qfb" frames) frames, not 6"
  same_as_pack "$out/fade.qfb" 4444 10 "--grid 3x1 --tag fade --as-given" "$art/glow_sheet.png" "$art/glow.aseprite"
}
# flash: its first frame is made by a build step of another folder from spark.png.
scenario_made_frame_changed() { cp "$frames/glow-1.png" "$art/spark.png"; build; expect_rebuilt="flash.qfb"; }
scenario_damaged_member() {
  cp "$out/walk.qfb" "$work/previous.qfb"
  head -c 100 "$source_dir/examples/walk-0002.tga" >"$art/walk-0002.tga"
  build; expect_status=fail; expect_rebuilt=""
  grep -q "walk-0002.tga: pixel data is cut short." "$work/build.log" || fail "no makeqfb message naming the file"
  grep -q "makeqfb failed on the frame set $art/walk.tga" "$work/build.log" || fail "the failed set is not named"
  cmp -s "$out/walk.qfb" "$work/previous.qfb" || fail "the previous output was not kept"
}
scenario_damaged_png_frame() {
  cp "$out/glow.qfb" "$work/previous.qfb"
  head -c 60 "$frames/glow-1.png" >"$frames/glow-2.png"
  build "$out" --target glow.qfb; expect_status=fail; expect_rebuilt=""
  grep -q "glow-2.png" "$work/build.log" || fail "no qfbprep message naming the file"
  grep -q "qfbprep pack failed on the frames of $out/glow.qfb" "$work/build.log" || fail "the failed output is not named"
  cmp -s "$out/glow.qfb" "$work/previous.qfb" || fail "the previous output was not kept"
}

# run_scenarios GENERATOR SCENARIO...: the scenarios in order, on fresh copies.
run_scenarios() {
  generator=$1
  shift
  set_up
  configure "$out" "$art"
  for scenario in "$@"; do
    run_scenario
  done
}

run_scenario() {
  expect_status=ok expect_rebuilt="-" expect_frames="" expect_mipmaps=""
  stamps_before
  "scenario_$scenario"
  if [ "$expect_status" = ok ]; then
    [ "$status" -eq 0 ] || fail "build failed: $(cat "$work/build.log")"
    # Quiet on success: nothing of makeqfb's or qfbprep's report reaches the build's output.
    ! grep -E "Creating|qfb file created|Conversion complete|frames?, |packed as" "$work/build.log" ||
      fail "the tool's report is in the build output"
  else
    [ "$status" -ne 0 ] || fail "the build succeeded"
  fi
  if [ "$expect_rebuilt" != "-" ]; then
    [ "$(rebuilt)" = "$expect_rebuilt" ] || fail "rebuilt '$(rebuilt)', expected '$expect_rebuilt'"
  fi
  if [ "$expect_rebuilt" = "" ] && [ "$expect_status" = ok ]; then
    [ "$generator" != Ninja ] || grep -q "ninja: no work to do." "$work/build.log" ||
      fail "Ninja had work to do: $(cat "$work/build.log")"
  fi
  # The counts are those of the output rebuilt; each output rebuilt equals a direct run.
  checked=$out/${expect_rebuilt%% *}
  [ -z "$expect_frames" ] || [ "$(field "$checked" frames)" = "$expect_frames" ] ||
    fail "$(field "$checked" frames) frames, expected $expect_frames"
  [ -z "$expect_mipmaps" ] || [ "$(field "$checked" mipmaps)" = "$expect_mipmaps" ] ||
    fail "$(field "$checked" mipmaps) mipmaps, expected $expect_mipmaps"
  if [ "$expect_rebuilt" != "-" ] && [ "$expect_status" = ok ]; then
    for qfb in $expect_rebuilt; do same_as_direct_run "$qfb"; done
  fi
  echo "scenario $scenario ($generator): done"
}

run_scenarios Ninja first_build nothing_changed frame_touched frame_added last_frame_removed \
  mipmap_level_added fps_changed frame_after_gap png_frame_changed png_frame_added png_frame_removed \
  png_frame_renamed mipmaps_changed dither_method_changed strength_changed dither_dropped \
  alpha_threshold_added coverage_kept_and_bled made_frame_changed nothing_changed sheet_and_tag_added \
  damaged_member damaged_png_frame
run_scenarios "Unix Makefiles" first_build nothing_changed frame_added fps_changed png_frame_changed \
  png_frame_added png_frame_removed png_frame_renamed mipmaps_changed dither_method_changed \
  strength_changed dither_dropped alpha_threshold_added coverage_kept_and_bled made_frame_changed \
  nothing_changed

# Wrong arguments stop CMake with the reason (%s: the project's folder).
#   makeqfb_add_frame_set(bad.qfb ...)                   | the reason
BAD_ARGUMENTS=(
  'BASE w.tga FRAMES g-*.png FORMAT 4444 FPS 1           | BASE and FRAMES cannot be given together'
  'FRAMES g-*.png FORMAT 4444 FPS 1 MIPMAPS 0            | MIPMAPS takes at most one number of levels, from 1 to 159, not "0"'
  'FRAMES g-*.png FORMAT 4444 FPS 1 MIPMAPS 2 3          | MIPMAPS takes at most one number of levels'
  'FRAMES g-*.png FORMAT 4444 FPS 1 ALPHA_THRESHOLD 256  | ALPHA_THRESHOLD must be a whole number from 0 to 255'
  'FRAMES g-*.png FORMAT 4444 FPS 1 ALPHA_THRESHOLD      | ALPHA_THRESHOLD needs a value'
  'FRAMES g-*.png FORMAT 4444 FPS 1 DITHER floyd         | DITHER takes a method, diffusion, ordered, bayer or stable, not "floyd"'
  'FRAMES g-*.png FORMAT 4444 FPS 1 STRENGTH 0.5         | STRENGTH goes with DITHER'
  'FRAMES g-*.png FORMAT 4444 FPS 1 DITHER STRENGTH 1.5  | STRENGTH must be a number from 0 to 1 with at most three digits after the point, such as 0.5, not "1.5"'
  'FRAMES g-*.png FORMAT 4444 FPS 1 DITHER STRENGTH 0.1234 | STRENGTH must be a number from 0 to 1 with at most three digits after the point'
  'FRAMES g-*.png FORMAT 4444 FPS 1 DITHER bayer STRENGTH 1.001 | STRENGTH must be a number from 0 to 1'
  'FRAMES g-*.png FORMAT 4444 FPS 1 MIPMAPS KEEP_COVERAGE 0 | KEEP_COVERAGE must be a whole number from 1 to 255, not "0"'
  'FRAMES g-*.png FORMAT 4444 FPS 1 KEEP_COVERAGE 128    | KEEP_COVERAGE goes with MIPMAPS'
  'FRAMES gone.png FORMAT 4444 FPS 1                     | the frame %s/gone.png does not exist'
  'BASE w.tga FORMAT 4444 FPS 1 MIPMAPS                  | MIPMAPS goes with FRAMES'
  'BASE w.tga FORMAT 4444 FPS 1 DITHER                   | DITHER goes with FRAMES'
  'BASE w.tga FORMAT 4444 FPS 1 BLEED                    | BLEED goes with FRAMES'
  'BASE w.tga FORMAT 4444 FPS 1 GRID 8x4                 | GRID goes with FRAMES'
  'FRAMES g-*.png FORMAT 4444 FPS 1 GRID 8               | GRID must be two whole numbers with an x between them, such as 8x4, not "8"'
  'FRAMES g-*.png FORMAT 4444 FPS 1 CELLS 3              | CELLS goes with GRID or CELL'
)
scenario=bad_arguments
mkdir -p "$work/bad"
for row in "${BAD_ARGUMENTS[@]}"; do
  arguments=${row%%|*}
  # shellcheck disable=SC2059  # the reason may hold the folder's %s
  reason=$(printf "${row#*| }" "$work/bad")
  printf 'cmake_minimum_required(VERSION 3.25)\nproject(bad NONE)\nfind_package(makeqfb CONFIG REQUIRED)\nmakeqfb_add_frame_set(bad.qfb %s)\n' \
    "$arguments" >"$work/bad/CMakeLists.txt"
  rm -rf "$work/bad-build"
  if "$cmake" -S "$work/bad" -B "$work/bad-build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >"$work/configure.log" 2>&1; then
    fail "accepted: $arguments"
  elif ! tr -s ' \n' ' ' <"$work/configure.log" | grep -qF "makeqfb_add_frame_set(bad.qfb): $reason"; then
    fail "$arguments: not refused with '$reason': $(cat "$work/configure.log")"
  fi
done
echo "scenario $scenario: done"

[ "$failures" -eq 0 ] && echo "every scenario passed" || { echo "$failures failures"; exit 1; }
