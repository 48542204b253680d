#!/usr/bin/env bash
# Times the Python package against `qfbinfo FILE --extract DIR` on the same QFB files of about
# 20 MB (QFB_MAX_FILE_SIZE): a whole interpreter run that imports qfb, opens the file and expands
# every level of every frame to RGBA, against qfbinfo extracting every level as a Targa file.
# Two files: few large levels (19 frames of 1024 x 512, 4444) and many small ones (1881 frames of
# 64 x 64 with 6 mipmap levels, 13,167 levels, 565). Interleaved runs; prints the medians and
# the ratio python / qfbinfo for each, and Python's cost per level from a run within the interpreter.
#   bench/python_speed.sh [BUILD_DIR [REPETITIONS [PYTHON]]]     (default build/release, 7, /usr/bin/python3)
set -euo pipefail
build=$(realpath "${1:-build/release}")
repetitions=${2:-7}
python=${3:-/usr/bin/python3}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QFB_LIBRARY="$build/qfb/libqfb.so.1" PYTHONPATH="$here/../python" PYTHONDONTWRITEBYTECODE=1

# shellcheck source=timing.sh
source "$here/timing.sh"

expand_all='
import sys, qfb
f = qfb.open(sys.argv[1])
for level in f.levels():
    level.expand()
'
per_level='
import sys, time, qfb
start = time.perf_counter()
f = qfb.open(sys.argv[1])
count = sum(1 for level in f.levels() if level.expand() is not None)
seconds = time.perf_counter() - start
print("%d levels, %.1f us a level within the interpreter" % (count, seconds / count * 1e6))
'

# name frames width height mips format
for set in "large 19 1024 512 0 4444" "small 1881 64 64 6 565"; do
  read -r name frames width height mips format <<<"$set"
  mkdir "$work/$name"
  "$build/bench/make_frame_set" "$work/$name" set "$frames" "$width" "$height" 32 "mips=$mips" >/dev/null
  "$build/bin/makeqfb" "$format" 12 "$work/$name/set.tga" >/dev/null
  file=$work/$name/set.qfb
  : >"$work/extract.times"
  : >"$work/python.times"
  for _ in $(seq "$repetitions"); do
    rm -rf "$work/out"
    run_us "$build/bin/qfbinfo" "$file" --extract "$work/out" >>"$work/extract.times"
    run_us "$python" -c "$expand_all" "$file" >>"$work/python.times"
  done
  extract=$(median <"$work/extract.times")
  py=$(median <"$work/python.times")
  awk -v e="$extract" -v p="$py" -v n="$repetitions" -v name="$name" -v size="$(stat -c %s "$file")" \
    'BEGIN { printf "%s (%d bytes): qfbinfo --extract %.3f s, python open + expand %.3f s, python / qfbinfo %.2f (medians of %d)\n", name, size, e / 1e6, p / 1e6, p / e, n }'
  "$python" -c "$per_level" "$file"
done
