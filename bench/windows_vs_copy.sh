#!/usr/bin/env bash
# Times the Windows build's makeqfb.exe under Wine against Wine's own `cmd /c copy /b` of the same
# input files into one output file, for each frame set of frame_sets.sh, and prints each set's
# median ratio makeqfb.exe / copy. Both run as Windows programs under the same Wine, each a new
# process started by `wine`, so Wine's start-up and its file calls weigh on both alike; what the
# ratio does and does not say is in docs/windows.md. It also times each program doing nothing
# (`makeqfb.exe --help`, `cmd /c rem`) and prints the ratio of the two net of those start-ups.
# Then, in the same run, `qfbprep.exe pack` of each set's frames as PNG files (written by Debian's
# python3-pil; the 32-bit set, whose frames fit at 4 bytes a pixel), under Wine through the Windows Imaging Component, against the same pack by the
# Linux build's qfbprep (libspng), and checks that both give the same bytes.
#   bench/windows_vs_copy.sh WINDOWS_BUILD [BENCH_BUILD] [PAIRED_RUNS]
# WINDOWS_BUILD is the windows preset's build (build/windows); BENCH_BUILD a Linux build with
# MAKEQFB_BENCH=ON, for make_frame_set and qfbprep (default build/bench); PAIRED_RUNS at least 10
# (default 15).
set -euo pipefail
export LC_ALL=C  # a "." in $EPOCHREALTIME

here=$(cd "$(dirname "$0")" && pwd)
windows=$(cd "${1:?"usage: windows_vs_copy.sh WINDOWS_BUILD [BENCH_BUILD] [PAIRED_RUNS]"}" && pwd)
build=$(cd "${2:-$here/../build/bench}" && pwd)
runs=${3:-15}
makeqfb=$windows/bin/makeqfb.exe
maker=$build/bench/make_frame_set
if [ ! -f "$makeqfb" ] || [ ! -x "$maker" ] || ! command -v wine >/dev/null; then
  echo "needs wine, $makeqfb (cmake --workflow ... or cmake --build --preset windows) and $maker"
  exit 1
fi
if [ "$runs" -lt 10 ]; then
  echo "at least 10 paired runs"
  exit 1
fi
# shellcheck source=frame_sets.sh
source "$here/frame_sets.sh"
# shellcheck source=timing.sh
source "$here/timing.sh"

work=$(mktemp -d)
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$WINEPREFIX"
wineserver -p 60  # the server stays up between runs, as it would under a build
wine "$makeqfb" --help >/dev/null 2>&1  # makes the prefix

echo "processor: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores; $(wine --version)"
for line in "${FRAME_SETS[@]}"; do
  read -r name frames width height bits format <<<"$line"
  make_frame_set_dir "$maker" "$work" "$name" "$frames" "$width" "$height" "$bits" >/dev/null
  cd "$work/$name"
  inputs=$(ls walk-*.tga | paste -sd+)  # copy /b a+b+c out: the files one after the other

  run_makeqfb() { wine "$makeqfb" "$format" 30 walk.tga >/dev/null; }
  run_copy() { wine cmd /c copy /b "$inputs" copy.out >/dev/null; }
  run_start_makeqfb() { wine "$makeqfb" --help >/dev/null; }
  run_start_copy() { wine cmd /c rem >/dev/null; }
  clean_outputs() { rm -f walk.qfb copy.out; }
  cat walk-*.tga >/dev/null
  if ! wine "$makeqfb" "$format" 30 walk.tga >"$work/log"; then
    cat "$work/log"
    exit 1
  fi
  run_copy
  [ "$(stat -c %s copy.out)" -eq "$(cat walk-*.tga | wc -c)" ] || { echo "copy /b did not copy every file"; exit 1; }

  paired_runs "$runs" "$work" clean_outputs makeqfb copy start_makeqfb start_copy
  printf '%s: %d frames of %d x %d at %d bits -> %s, %d paired runs under Wine\n' \
    "$name" "$frames" "$width" "$height" "$bits" "$format" "$runs"
  printf '  median makeqfb.exe %.2f ms, median cmd /c copy %.2f ms, median ratio makeqfb.exe/copy %.3f\n' \
    "$(median <"$work/makeqfb_us" | awk '{ print $1 / 1000 }')" \
    "$(median <"$work/copy_us" | awk '{ print $1 / 1000 }')" \
    "$(median <"$work/ratios")"
  printf '  start-up alone: makeqfb.exe --help %.2f ms, cmd /c rem %.2f ms; net of them, makeqfb.exe/copy %.3f\n' \
    "$(median <"$work/start_makeqfb_us" | awk '{ print $1 / 1000 }')" \
    "$(median <"$work/start_copy_us" | awk '{ print $1 / 1000 }')" \
    "$(paste <(median <"$work/makeqfb_us") <(median <"$work/copy_us") <(median <"$work/start_makeqfb_us") \
      <(median <"$work/start_copy_us") | awk '{ printf "%.3f", ($1 - $3) / ($2 - $4) }')"

  # The same frames as PNG files, packed by qfbprep under Wine and on Linux: the 32-bit set only,
  # since a PNG frame is read at 4 bytes a pixel and the 24-bit set's frames are too large so.
  if [ "$bits" -eq 32 ]; then
  /usr/bin/python3 -c 'import sys; from PIL import Image
for n in sys.argv[1:]: Image.open(n).save(n[:-4] + ".png")' walk-*.tga
  pngs=(walk-*.png)
  run_pack_wine() { wine "$windows/bin/qfbprep.exe" pack "$format" 30 w.qfb "${pngs[@]}" >/dev/null; }
  run_pack_linux() { "$build/bin/qfbprep" pack "$format" 30 l.qfb "${pngs[@]}" >/dev/null; }
  clean_packs() { rm -f w.qfb l.qfb; }
  run_pack_wine && run_pack_linux && cmp -s w.qfb l.qfb || { echo "pack from PNG: Wine and Linux differ"; exit 1; }
  paired_runs "$runs" "$work" clean_packs pack_wine pack_linux
  printf '  pack from PNG: median qfbprep.exe under Wine %.2f ms, median qfbprep on Linux %.2f ms, median ratio %.3f\n' \
    "$(median <"$work/pack_wine_us" | awk '{ print $1 / 1000 }')" \
    "$(median <"$work/pack_linux_us" | awk '{ print $1 / 1000 }')" \
    "$(median <"$work/ratios")"
  fi
  cd "$work"
  rm -rf "${work:?}/$name"
done
