#!/usr/bin/env bash
# The Debian packages pass Debian's own checks: cpack builds them from this build into a
# temporary folder, each holds the files it is for, and lintian must report no error and no
# warning on any of them.
#   lintian_test.sh CPACK BUILD_DIR LINTIAN
set -euo pipefail
cpack=$1 build_dir=$2 lintian=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cpack" -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
dpkg-deb -c "$work"/makeqfb_*.deb >"$work/contents"
grep -q "/cmake/makeqfb/makeqfbConfig.cmake" "$work/contents" || { echo "no CMake package in makeqfb"; exit 1; }
# The engines' files: qfb_sdl.h and qfb.lua in libqfb-dev, the pygame module in python3-qfb.
dpkg-deb -c "$work"/libqfb-dev_*.deb >"$work/dev-contents"
dpkg-deb -c "$work"/python3-qfb_*.deb >"$work/python-contents"
for file in ./usr/include/qfb/qfb_sdl.h ./usr/share/lua/5.1/qfb.lua; do
  grep -q " $file\$" "$work/dev-contents" || { echo "no $file in libqfb-dev"; exit 1; }
done
grep -q "/dist-packages/qfb/pygame.py$" "$work/python-contents" || { echo "no qfb/pygame.py in python3-qfb"; exit 1; }
if "$lintian" --fail-on error,warning "$work"/*.deb >"$work/lintian.log" 2>&1; then
  echo "lintian: no error, no warning on $(cd "$work" && echo *.deb)"
else
  grep -v "running with root privileges" "$work/lintian.log"
  exit 1
fi
