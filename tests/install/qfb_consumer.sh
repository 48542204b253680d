#!/bin/sh
# The format library as a consumer sees it.
#   qfb_consumer.sh exports LIBRARY
#       the shared library's SONAME is libqfb.so.1 and it exports qfb_ functions and nothing else,
#       qfb_status_name among them (the bindings take the status names from it)
#   qfb_consumer.sh pkg-config|find_package BUILD_DIR SOURCE_DIR MAKEQFB CMAKE CC
#       installs BUILD_DIR into a temporary prefix, builds examples/qfb2pam against it as C99
#       with warnings as errors (through pkg-config, or through find_package and makeqfb::qfb),
#       makes the example set's QFB file and writes two of its levels as PAM images; through
#       pkg-config, the installed qfb_gl.h compiles after <GLES3/gl3.h> and qfb_sdl.h after <SDL.h>
#       where the machine has them.
set -eu

if [ "$1" = exports ]; then
  readelf -d "$2" | grep -q 'SONAME.*\[libqfb\.so\.1\]' || { echo "SONAME is not libqfb.so.1"; readelf -d "$2"; exit 1; }
  names=$(nm -D --defined-only "$2" | awk '{print $3}')
  for name in qfb_parse qfb_status_name; do
    echo "$names" | grep -qx "$name" || { echo "$name is not exported"; exit 1; }
  done
  others=$(echo "$names" | grep -v '^qfb_' || true)
  [ -z "$others" ] || { echo "exported beyond the API:"; echo "$others"; exit 1; }
  echo "$(echo "$names" | wc -l) symbols exported, all qfb_"
  exit 0
fi

way=$1 build=$2 source=$3 makeqfb=$4 cmake=$5 cc=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cmake" --install "$build" --prefix "$work/prefix" >/dev/null
flags="-std=c99 -Wall -Wextra -Wpedantic -Werror"
case $way in
  pkg-config)
    export PKG_CONFIG_PATH="$(dirname "$(find "$work/prefix" -name qfb.pc)")"
    pkg-config --exists qfb
    # shellcheck disable=SC2046
    "$cc" $flags $(pkg-config --cflags qfb) -o "$work/qfb2pam" "$source/examples/qfb2pam/qfb2pam.c" $(pkg-config --libs qfb)
    export LD_LIBRARY_PATH="$(pkg-config --variable=libdir qfb)"
    # The installed qfb_gl.h compiles after an OpenGL ES header, where the machine has one.
    if printf '#include <GLES3/gl3.h>\n' | "$cc" -E - >/dev/null 2>&1; then
      printf '#include <GLES3/gl3.h>\n#include <qfb/qfb_gl.h>\nint main(void) { return qfb_gl_upload(0, QFB_GL_API, 0); }\n' |
        "$cc" $flags $(pkg-config --cflags qfb) -fsyntax-only -x c -
    fi
    # So does the installed qfb_sdl.h after <SDL.h>, where the machine has SDL2.
    if pkg-config --exists sdl2; then
      printf '#include <SDL.h>\n#include <qfb/qfb_sdl.h>\nint main(void) { return qfb_sdl_surface(0, 0, 0, 0); }\n' |
        "$cc" $flags $(pkg-config --cflags qfb sdl2) -fsyntax-only -x c -
    fi
    program=$work/qfb2pam
    ;;
  find_package)
    "$cmake" -S "$source/examples/qfb2pam" -B "$work/example" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
      -DCMAKE_C_COMPILER="$cc" -DCMAKE_C_FLAGS="$flags" >/dev/null
    "$cmake" --build "$work/example" >/dev/null
    program=$work/example/qfb2pam
    ;;
  *) echo "unknown way $way"; exit 1 ;;
esac
# The linked library is the installed one.
ldd "$program" | grep -q "$work/prefix" || { echo "not linked against the installed libqfb"; ldd "$program"; exit 1; }

mkdir "$work/set"
cp "$source"/examples/walk-*.tga "$work/set/"
"$makeqfb" 4444 12 "$work/set/walk.tga" >/dev/null
"$program" "$work/set/walk.qfb" 2 1 "$work/level.pam"
head -c 67 "$work/level.pam" | cmp - "$source/tests/install/walk-2-1.pam.head"
[ "$(wc -c <"$work/level.pam")" -eq $((67 + 16 * 16 * 4)) ]
# A level the file does not have is refused with the library's text.
if "$program" "$work/set/walk.qfb" 3 0 "$work/none.pam" >"$work/refusal"; then exit 1; fi
grep -qx "$work/set/walk.qfb: no such frame, level or row" "$work/refusal"
echo "qfb2pam built through $way and run from $work/prefix"
