#!/usr/bin/env bash
# Times qfbprep pack on each form frames come in (a sprite sheet, an animated GIF, an animated
# WebP, an Aseprite sprite) against pack on the same frames saved as PNG files, side by side in
# each round (the order swapped every other round), and prints each form's median and its ratio
# to the PNG files'. The frames (24 of 256 x 256, a soft disc moving over a gradient) are written
# by Pillow (Debian's python3-pil, /usr/bin/python3); each form's reference PNG files are the
# frames Pillow reads back from that form's file, so both sides pack the same pixels, and each
# pair's files are compared first.
#   bench/pack_forms.sh [BUILD_DIR [ROUNDS]]     (default build/release, 7)
set -euo pipefail
export LC_ALL=C
build=$(realpath "${1:-build/release}")
rounds=${2:-7}
qfbprep=$build/bin/qfbprep
python=/usr/bin/python3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$python" - "$work" "$here/../examples" <<'PY'
import math, os, sys
from PIL import Image
sys.path.insert(0, sys.argv[2])
from make_examples import aseprite  # the examples' Aseprite writer

work, size, count = sys.argv[1], 256, 24
frames = []
for i in range(count):
    image = Image.new("RGBA", (size, size))
    pixels = image.load()
    cx = size * (0.2 + 0.6 * i / count)
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - cx, y - size / 2) / (size / 4)
            alpha = max(0, min(255, int(255 * (1.3 - d))))
            pixels[x, y] = (40 + x * 180 // size, 60 + y * 150 // size, 200 - i * 4, max(alpha, 96))
    frames.append(image)
os.makedirs(os.path.join(work, "png"))
for i, frame in enumerate(frames):
    frame.save(os.path.join(work, "png", "f-%d.png" % i))
sheet = Image.new("RGBA", (6 * size, 4 * size))
for i, frame in enumerate(frames):
    sheet.paste(frame, (i % 6 * size, i // 6 * size))
sheet.save(os.path.join(work, "sheet.png"))
frames[0].save(os.path.join(work, "anim.gif"), save_all=True, append_images=frames[1:], duration=80, loop=0, disposal=1)
frames[0].save(os.path.join(work, "anim.webp"), save_all=True, append_images=frames[1:], duration=80, loop=0,
               lossless=True)
rows = [[[frame.getpixel((x, y)) for x in range(size)] for y in range(size)] for frame in frames]
with open(os.path.join(work, "anim.aseprite"), "wb") as out:
    out.write(aseprite(size, rows, []))
# Each animation's frames as Pillow reads them back, the reference of the same pixels.
for name in ("anim.gif", "anim.webp"):
    folder = os.path.join(work, name.replace(".", "-"))
    os.makedirs(folder)
    image = Image.open(os.path.join(work, name))
    for i in range(image.n_frames):
        image.seek(i)
        image.convert("RGBA").save(os.path.join(folder, "f-%d.png" % i))
PY

# shellcheck source=timing.sh
source "$(dirname "$0")/timing.sh"

# form FILE OPTIONS... and its reference folder of PNG files
declare -A form_args=([sheet]="sheet.png --grid 6x4" [gif]="anim.gif" [webp]="anim.webp" [aseprite]="anim.aseprite")
declare -A form_pngs=([sheet]=png [gif]=anim-gif [webp]=anim-webp [aseprite]=png)
pngs() { printf "%s\n" "$work/${form_pngs[$1]}"/f-*.png | sort -V; }
clean() { rm -f "$work"/*.qfb; sync; }

echo "form       form median   PNG files median   form / PNG   (medians of $rounds rounds)"
for form in sheet gif webp aseprite; do
  # shellcheck disable=SC2086,SC2046  # the options are words, the files a list
  eval "run_form() { \"$qfbprep\" pack 4444 12 \"$work/form.qfb\" ${form_args[$form]} >/dev/null; }"
  # shellcheck disable=SC2046
  eval "run_png() { \"$qfbprep\" pack 4444 12 \"$work/png.qfb\" --as-given $(pngs "$form" | tr '\n' ' ') >/dev/null; }"
  (cd "$work" && run_form && run_png)
  # The GIF reader gives colour 0 under alpha 0, Pillow the palette's: compare the 4444 words with
  # the colour of alpha 0 left out.
  "$python" - "$work/form.qfb" "$work/png.qfb" <<'PY' || { echo "$form: the packed frames differ"; exit 1; }
import struct, sys
a, b = (open(path, "rb").read() for path in sys.argv[1:3])
words = lambda data: [w if w >> 12 else 0 for w in struct.unpack("<%dH" % ((len(data) - 32) // 2), data[32:])]
sys.exit(0 if a[:32] == b[:32] and words(a) == words(b) else 1)
PY
  (cd "$work" && paired_runs "$rounds" "$work" clean form png)
  awk -v name="$form" -v f="$(median <"$work/form_us")" -v p="$(median <"$work/png_us")" -v r="$(median <"$work/ratios")" \
    'BEGIN { printf "%-10s %8.1f ms     %8.1f ms          %.2f\n", name, f / 1000, p / 1000, r }'
done
