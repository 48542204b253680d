#!/usr/bin/env bash
# The Debian packages as a clean machine gets them: cpack builds them from this build, dpkg-deb
# unpacks libqfb1 and python3-qfb into a scratch root, and the interpreter, pointed at that root
# alone, imports the Pillow plugin and opens a file makeqfb wrote. python3-qfb is for every
# architecture, depends on libqfb1 and python3 and recommends python3-pil and python3-pygame.
#   installed_package_test.sh CPACK BUILD_DIR PYTHON MAKEQFB SOURCE_DIR
set -euo pipefail
cpack=$1 build_dir=$2 python=$3 makeqfb=$4 source=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cpack" -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
package=$(echo "$work"/python3-qfb_*.deb)
[ -f "$package" ] || { echo "no python3-qfb package"; ls "$work"; exit 1; }
[ "$(dpkg-deb -f "$package" Architecture)" = all ] || { echo "python3-qfb is not Architecture: all"; exit 1; }
dpkg-deb -f "$package" Depends | grep -q 'libqfb1 (>= ' || { echo "python3-qfb does not depend on libqfb1"; exit 1; }
[ "$(dpkg-deb -f "$package" Recommends)" = "python3-pil, python3-pygame" ] ||
  { echo "python3-qfb does not recommend python3-pil and python3-pygame"; exit 1; }
[ "$(dpkg-deb -f "$package" Section)" = python ] || { echo "python3-qfb is not in section python"; exit 1; }
for deb in "$package" "$work"/libqfb1_*.deb; do dpkg-deb -x "$deb" "$work/root"; done

mkdir "$work/set"
cp "$source"/examples/walk-*.tga "$work/set/"
"$makeqfb" 4444 12 "$work/set/walk.tga" >/dev/null
library_dir=$(dirname "$(find "$work/root" -name libqfb.so.1)")
# Nothing of the build or the source tree is on the paths: only the scratch root.
env -u QFB_LIBRARY PYTHONPATH="$work/root/usr/lib/python3/dist-packages" LD_LIBRARY_PATH="$library_dir" \
  PYTHONDONTWRITEBYTECODE=1 "$python" -c "
import sys, qfb, qfb.pillow
from PIL import Image
assert qfb.__file__.startswith('$work/root/'), qfb.__file__
assert qfb.library_path == 'libqfb.so.1'
maps = open('/proc/self/maps').read()
assert '$library_dir/libqfb.so.1' in maps, 'libqfb not loaded from the unpacked libqfb1'
im = Image.open(sys.argv[1])
assert (im.format, im.size, im.n_frames, im.info['mipmap_count']) == ('QFB', (32, 32), 3, 2), im
im.seek(2)
im.load()
print('python3-qfb imported from the unpacked packages and opened', sys.argv[1])
" "$work/set/walk.qfb"
