#!/usr/bin/env bash
# How closely each way of reducing pictures to 16-bit words shows them: packs photographs, game
# sprites, generated gradients and a generated animation with qfbprep pack as 565 and 4444,
# truncated and with --dither diffusion, ordered, bayer and stable, measures every file with
# qfbinfo --compare --json, and prints the mean PSNR (plain and blurred) and the flicker of each
# method, then checks the goals (PASS or FAIL each; exit status 1 when one fails):
#   565 diffusion on the photographs: blurred at least 59.0 dB, plain at least 40.5 dB, or on
#   photographs where truncation measures below 40.3 dB plain, 0.2 dB above truncation;
#   4444 diffusion on the photographs: blurred at least 52.0 dB;
#   565 ordered on the photographs: blurred at least 52.5 dB;
#   ordered and stable: no still pixel of any animation changes its word (counted exactly);
#   stable on each animation: blurred at most 0.3 dB below diffusion.
# The animations are the sprites, the generated ball, and two frames of each photograph of which
# the second has a 32 x 32 patch replaced.
#
# The pictures are Debian packages fetched now into a temporary folder with apt-get download (no
# root needed; apt's package lists must be there) and unpacked with dpkg-deb: the photographs of
# mate-backgrounds (nature/, cropped to 768 x 512 with Python's PIL, Debian's python3-pil) and
# the unit animations of wesnoth-1.16-did (72 x 72 PNG frames). Without a network, or without
# PIL for the photographs, it says so and goes on with what it has, at the least the generated
# images. Nothing is kept.
#   bench/dither_quality.sh [BUILD_DIR]      (default build/release)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/release}
qfbprep=$build/bin/qfbprep qfbinfo=$build/bin/qfbinfo
for program in "$qfbprep" "$qfbinfo"; do
  [ -x "$program" ] || { echo "build it first: $program"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/debs"

photos_package=mate-backgrounds photos_folder=usr/share/backgrounds/mate/nature
sprites_package=wesnoth-1.16-did
sprites_folder=usr/share/games/wesnoth/1.16/data/campaigns/Descent_Into_Darkness/images/units

# fetch PACKAGE FOLDER: downloads the package and unpacks FOLDER of it into $work/PACKAGE, and
# sets version to the package's; or says why not and fails.
fetch() {
  local deb log=$work/debs/$1.log
  if ! (cd "$work/debs" && apt-get download "$1") >"$log" 2>&1; then
    echo "Couldn't download $1: no network here, or apt's package lists lack it" \
      "($(grep -m1 '^E:' "$log" || tail -1 "$log"))."
    return 1
  fi
  deb=$(ls "$work/debs/$1"_*.deb)
  mkdir -p "$work/$1"
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work/$1" "./$2"
  version=$(dpkg-deb -f "$deb" Version)
}

# A Python 3 that has PIL, for the photographs; any Python 3 for the rest.
python=
for candidate in python3 /usr/bin/python3; do
  if command -v "$candidate" >/dev/null && "$candidate" -c 'import PIL' 2>/dev/null; then
    python=$candidate
    break
  fi
done

arguments=()
if [ -z "$python" ]; then
  python=python3
  echo "No Python 3 with PIL (Debian's python3-pil): no photographs."
elif fetch "$photos_package" "$photos_folder"; then
  echo "Photographs: $photos_package $version, $photos_folder"
  arguments+=(--photos "$work/$photos_package/$photos_folder")
else
  echo "No photographs: going on with the generated images; the two-frame test uses a gradient."
fi
if fetch "$sprites_package" "$sprites_folder"; then
  echo "Sprites: $sprites_package $version, ${sprites_folder##*/}/"
  arguments+=(--sprites "$work/$sprites_package/$sprites_folder" --sprites-label "$sprites_package units")
else
  echo "No game sprites."
fi
rm -rf "$work/debs"
echo

"$python" "$here/dither_quality.py" --qfbprep "$qfbprep" --qfbinfo "$qfbinfo" --work "$work" "${arguments[@]}"
