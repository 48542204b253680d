#!/bin/sh
# The Windows build of the tests (label windows): configures the windows preset into OUT/build,
# builds it, and makes the Wine prefix OUT/wineprefix that the tests share (its first run takes
# some seconds). Exits 77, skipped, when the cross compiler or Wine is missing.
#   build_windows.sh SOURCE_DIR OUT
set -eu
source=$1 out=$2
for program in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-gcc-posix wine; do
  if ! command -v "$program" >/dev/null 2>&1; then
    echo "skipped: $program is not installed (Debian: g++-mingw-w64-x86-64-posix, wine, wine64)"
    exit 77
  fi
done
mkdir -p "$out"
cd "$source"
cmake --preset windows -B "$out/build" >"$out/configure.log" || { cat "$out/configure.log"; exit 1; }
cmake --build "$out/build" >"$out/build.log" 2>&1 || { tail -50 "$out/build.log"; exit 1; }
# No Mono or Gecko: their installers would ask, on a machine with a display.
export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
wine "$out/build/bin/makeqfb.exe" --help >/dev/null 2>"$out/wineprefix.log" || { cat "$out/wineprefix.log"; exit 1; }
# The prefix's first run leaves its set-up running in the background: wait until the server ends.
wineserver -w || true
echo "Windows build and Wine prefix ready in $out"
