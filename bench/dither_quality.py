#!/usr/bin/env python3
"""The measuring half of bench/dither_quality.sh, which fetches the pictures and runs this.

Makes the image sets (gradients and a sprite animation generated here; the photographs and game
sprites the shell script fetched, when it could), packs each with qfbprep pack as 565 and 4444,
truncated and with every dithering method, and reads qfbinfo --compare --json of each file. For
animations it also counts flicker exactly: qfbinfo prints it with two decimals, which cannot tell
0 from one pixel in forty thousand, so the packed frames are extracted and every pixel whose
source stayed the same is compared. Prints the table and the targets; exit status 1 when a target
fails.

  dither_quality.py --qfbprep P --qfbinfo I --work DIR [--photos DIR] [--sprites DIR]
"""
import argparse
import concurrent.futures
import json
import math
import os
import re
import struct
import subprocess
import sys

FORMATS = ('565', '4444')
METHODS = (('truncated', []), ('diffusion', ['--dither', 'diffusion']), ('ordered', ['--dither', 'ordered']),
           ('bayer', ['--dither', 'bayer']), ('stable', ['--dither', 'stable']))
# On the photographs also diffusion at lower strengths: less noise pixel by pixel, more banding.
STRENGTHS = (('diffusion 0.9', ['--dither', 'diffusion', '--strength', '0.9']),
             ('diffusion 0.8', ['--dither', 'diffusion', '--strength', '0.8']),
             ('diffusion 0.5', ['--dither', 'diffusion', '--strength', '0.5']))
PHOTO_WIDTH, PHOTO_HEIGHT = 768, 512
# The plain 565 goal, 40.5 dB, was set on photographs where 565 truncation measures 40.3 dB.
# Plain figures move with the pictures, whatever the method, while diffusion's gain over
# truncation holds; so on a set where truncation measures less, the goal is the same 0.2 dB
# above truncation (never above 40.5).
PLAIN_GOAL, PLAIN_GOAL_TRUNCATED = 40.5, 40.3
PATCH = 32


# Images are (width, height, pixels): pixels is bytes, 4 a pixel in Targa's order (b, g, r, a),
# rows top first.

def write_targa(path, image):
    width, height, pixels = image
    # Uncompressed true colour, 32 bits, 8 alpha bits, top row first.
    header = struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, width, height, 32, 0x28)
    with open(path, 'wb') as out:
        out.write(header + pixels)


def read_targa(path):
    """An uncompressed 32-bit Targa file, as qfbinfo --extract and qfbprep import write them."""
    with open(path, 'rb') as source:
        data = source.read()
    id_length, colour_map, kind = data[0], data[1], data[2]
    width, height = struct.unpack_from('<HH', data, 12)
    bits, descriptor = data[16], data[17]
    if colour_map != 0 or kind != 2 or bits != 32:
        raise ValueError('%s: not an uncompressed 32-bit Targa file' % path)
    start = 18 + id_length
    pixels = data[start:start + width * height * 4]
    if not descriptor & 0x20:  # bottom row first
        stride = width * 4
        pixels = b''.join(pixels[y * stride:(y + 1) * stride] for y in reversed(range(height)))
    return width, height, pixels


def from_function(width, height, colour):
    """colour(x, y) gives (r, g, b, a) as numbers from 0 to 255, rounded here."""
    out = bytearray(width * height * 4)
    i = 0
    for y in range(height):
        for x in range(width):
            r, g, b, a = colour(x, y)
            out[i:i + 4] = bytes((round(b), round(g), round(r), round(a)))
            i += 4
    return width, height, bytes(out)


def gradients():
    """Smooth ramps, where truncation bands most: a dark one, the full grey ramp, a two-way colour
    one, and a glow whose alpha falls off to 0 (for 4444's alpha)."""
    w, h = 512, 256
    def dark(x, y):
        u = x / (w - 1)
        return 8 + 24 * u, 16 + 40 * u, 40 + 88 * u, 255
    def grey(x, y):
        v = 255 * x / (w - 1)
        return v, v, v, 255
    def sunset(x, y):
        u, v = x / (w - 1), y / (h - 1)
        return 80 + 170 * u, 40 + 120 * v * u, 150 * (1 - v) + 30, 255
    def glow(x, y):
        d = math.hypot((x + 0.5 - w / 2) / (w / 2), (y + 0.5 - h / 2) / (h / 2))
        return 255, 200 - 120 * min(d, 1), 90, 255 * max(0.0, 1 - d) ** 1.5
    return [('dark', from_function(w, h, dark)), ('grey', from_function(w, h, grey)),
            ('sunset', from_function(w, h, sunset)), ('glow', from_function(w, h, glow))]


def drifting_ball(frames=8, w=256, h=160):
    """A soft-edged ball, three quarters opaque, shaded, drifting over a still gradient."""
    def background(x, y):
        return 30 + 60 * x / w, 50 + 90 * y / h, 110 + 60 * (1 - x / w)
    images = []
    for step in range(frames):
        cx, cy, radius = w * (0.2 + 0.6 * step / (frames - 1)), h * (0.5 + 0.2 * math.sin(step)), 28.0
        def colour(x, y):
            br, bg, bb = background(x, y)
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            cover = 0.75 * max(0.0, min(1.0, (radius - d) / 6 + 0.5))
            shade = 1 - 0.5 * min(d / radius, 1)
            return (br + (255 * shade - br) * cover, bg + (170 * shade - bg) * cover,
                    bb + (60 * shade - bb) * cover, 255)
        images.append(from_function(w, h, colour))
    return images


def with_patch(image, x, y, from_x, from_y):
    """The image with the PATCH x PATCH square at (x, y) replaced by the one at (from_x, from_y)."""
    width, height, pixels = image
    out = bytearray(pixels)
    for row in range(PATCH):
        to, frm = ((y + row) * width + x) * 4, ((from_y + row) * width + from_x) * 4
        out[to:to + PATCH * 4] = pixels[frm:frm + PATCH * 4]
    return width, height, bytes(out)


def photographs(folder):
    """Every JPEG or PNG file in the folder, scaled to cover 768 x 512 and cropped to its middle."""
    from PIL import Image  # Debian's python3-pil
    out = []
    for name in sorted(os.listdir(folder)):
        if not re.search(r'\.(jpe?g|png)$', name, re.I):
            continue
        picture = Image.open(os.path.join(folder, name)).convert('RGB')
        scale = max(PHOTO_WIDTH / picture.width, PHOTO_HEIGHT / picture.height)
        size = (max(PHOTO_WIDTH, math.ceil(picture.width * scale)), max(PHOTO_HEIGHT, math.ceil(picture.height * scale)))
        picture = picture.resize(size, Image.LANCZOS)
        left, top = (size[0] - PHOTO_WIDTH) // 2, (size[1] - PHOTO_HEIGHT) // 2
        picture = picture.crop((left, top, left + PHOTO_WIDTH, top + PHOTO_HEIGHT)).convert('RGBA')
        out.append((os.path.splitext(name)[0], (PHOTO_WIDTH, PHOTO_HEIGHT, picture.tobytes('raw', 'BGRA'))))
    return out


def sprite_animations(folder):
    """Frames named NAME-1.png, NAME-2.png, ... (or NAME1.png, ...), two or more to a name."""
    groups = {}
    for name in os.listdir(folder):
        match = re.fullmatch(r'(.*\D)(\d+)\.png', name)
        if match:
            groups.setdefault(match.group(1).rstrip('-'), []).append((int(match.group(2)), name))
    return [(stem, [os.path.join(folder, name) for _, name in sorted(frames)])
            for stem, frames in sorted(groups.items()) if len(frames) >= 2]


class Runner:
    def __init__(self, qfbprep, qfbinfo, work):
        self.qfbprep, self.qfbinfo, self.work = qfbprep, qfbinfo, work

    def run(self, command):
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if done.returncode != 0:
            raise RuntimeError('%s failed (status %d): %s' % (' '.join(command), done.returncode,
                                                             done.stdout.decode(errors='replace').strip()))
        return done.stdout

    def measure(self, job):
        """Packs one item with one method and measures it: its levels' figures from qfbinfo, and
        for several frames the exact count of still source pixels whose word changed."""
        set_name, item, frames, fmt, method, options = job
        stem = '%s-%s-%s-%s' % (set_name, item, fmt, method.replace(' ', '-'))
        qfb = os.path.join(self.work, 'out', stem + '.qfb')
        self.run([self.qfbprep, 'pack', fmt, '12', qfb] + frames + ['--as-given'] + options)
        report = json.loads(self.run([self.qfbinfo, qfb, '--compare'] + frames + ['--as-given', '--json']))
        still = changed = 0
        if len(frames) > 1:
            folder = os.path.join(self.work, 'out', stem)
            self.run([self.qfbinfo, qfb, '--extract', folder])
            shown = [read_targa(os.path.join(folder, '%s-%04d.tga' % (stem, n + 1)))[2] for n in range(len(frames))]
            sources = [read_targa(frame)[2] for frame in frames]
            for n in range(1, len(frames)):
                s0, s1 = memoryview(sources[n - 1]).cast('I'), memoryview(sources[n]).cast('I')
                w0, w1 = memoryview(shown[n - 1]).cast('I'), memoryview(shown[n]).cast('I')
                still += sum(1 for a, b in zip(s0, s1) if a == b)
                changed += sum(1 for a, b, c, d in zip(s0, s1, w0, w1) if a == b and c != d)
            for name in os.listdir(folder):
                os.remove(os.path.join(folder, name))
            os.rmdir(folder)
        os.remove(qfb)
        levels = [level for level in report['levels'] if level['level'] == 0]
        return job, levels, report['summary']['flicker'], still, changed


def mean(values):
    values = [v for v in values if v is not None]
    return sum(values) / len(values) if values else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--qfbprep', required=True)
    parser.add_argument('--qfbinfo', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--photos', help='a folder of JPEG or PNG photographs')
    parser.add_argument('--sprites', help="a folder of sprite frames, NAME-1.png, NAME-2.png, ...")
    parser.add_argument('--sprites-label', default='sprites')
    args = parser.parse_args()
    work = args.work
    os.makedirs(os.path.join(work, 'out'), exist_ok=True)
    runner = Runner(args.qfbprep, args.qfbinfo, work)

    def saved(set_name, item, images):
        folder = os.path.join(work, 'in', set_name)
        os.makedirs(folder, exist_ok=True)
        paths = []
        for n, image in enumerate(images):
            paths.append(os.path.join(folder, '%s-%d.tga' % (item, n + 1)))
            write_targa(paths[-1], image)
        return paths

    # Each set: its name, a description, whether its items are animations, and its items, each
    # a name and its frames as Targa files.
    sets = []
    photos = []
    if args.photos:
        photos = photographs(args.photos)
        sets.append(('photographs', '%d photographs, %d x %d' % (len(photos), PHOTO_WIDTH, PHOTO_HEIGHT), False,
                     [(name, saved('photographs', name, [image])) for name, image in photos]))
    ramps = gradients()
    sets.append(('gradients', '4 generated gradients, 512 x 256, one with alpha', False,
                 [(name, saved('gradients', name, [image])) for name, image in ramps]))
    if args.sprites:
        animations = []
        for stem, pngs in sprite_animations(args.sprites):
            folder = os.path.join(work, 'in', 'sprites')
            os.makedirs(folder, exist_ok=True)
            runner.run([args.qfbprep, 'import', os.path.join(folder, stem + '.tga')] + pngs)
            animations.append((stem, [os.path.join(folder, '%s-%04d.tga' % (stem, n + 1)) for n in range(len(pngs))]))
        if animations:
            width, height, _ = read_targa(animations[0][1][0])
            sets.append(('sprites', '%s: %d animations, %d frames, %d x %d' % (
                args.sprites_label, len(animations), sum(len(f) for _, f in animations), width, height), True, animations))
    sets.append(('ball', 'generated: a soft ball drifting over a still gradient, 8 frames, 256 x 160', True,
                 [('ball', saved('ball', 'ball', drifting_ball()))]))
    # Two frames, the second with a 32 x 32 patch replaced by another part of the picture.
    if photos:
        stills, what = photos, '%d photographs' % len(photos)
    else:
        stills, what = [ramps[2]], 'the sunset gradient'
    patched = []
    for name, image in stills:
        width, height, _ = image
        x, y = width // 2 - PATCH // 2, height // 2 - PATCH // 2
        patched.append((name, saved('patch', name, [image, with_patch(image, x, y, width // 5, height // 5)])))
    sets.append(('patch', 'two frames of %s, a 32 x 32 patch changed' % what, True, patched))

    def methods(set_name):
        return METHODS + STRENGTHS if set_name == 'photographs' else METHODS

    jobs = [(set_name, item, frames, fmt, method, options)
            for set_name, _, _, items in sets for item, frames in items
            for fmt in FORMATS for method, options in methods(set_name)]
    results = {}
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for job, levels, flicker, still, changed in pool.map(runner.measure, jobs):
            set_name, item, _, fmt, method, _ = job
            entry = results.setdefault((set_name, fmt, method), {'levels': [], 'still': 0, 'changed': 0, 'items': []})
            entry['levels'] += levels
            entry['still'] += still
            entry['changed'] += changed
            entry['items'].append((item, flicker, still, changed))

    print('Mean PSNR of the full-size levels, in dB, of all compared values (colour of visible pixels, and')
    print("alpha for 4444), plain and after qfbinfo's blur of sigma 1; flicker: of the pixels whose source")
    print('stayed the same from one frame to the next, the share in percent whose word changed (and how')
    print('many of how many).')
    print()
    for set_name, description, _, _ in sets:
        print('%-12s %s' % (set_name, description))
    print()
    print('%-12s %-6s %-13s %8s %8s  %s' % ('set', 'format', 'method', 'plain', 'blurred', 'flicker'))
    exact_levels = 0
    mismatches = []
    for set_name, _, animated, _ in sets:
        for fmt in FORMATS:
            for method, _ in methods(set_name):
                entry = results[(set_name, fmt, method)]
                plain = mean(level['psnr']['all'] for level in entry['levels'])
                blurred = mean(level['blurred_psnr'] for level in entry['levels'])
                exact_levels += sum(1 for level in entry['levels'] if level['psnr']['all'] is None)
                entry['plain'], entry['blurred'] = plain, blurred
                flicker = '-'
                if animated:
                    entry['flicker'] = 100.0 * entry['changed'] / entry['still'] if entry['still'] else 0.0
                    flicker = '%.4f (%d of %d)' % (entry['flicker'], entry['changed'], entry['still'])
                    for item, reported, still, changed in entry['items']:
                        counted = 100.0 * changed / still if still else 0.0
                        if reported is None or abs(reported - counted) > 0.0051:
                            mismatches.append('%s %s %s %s: qfbinfo says flicker %s %%, the frames give %.4f %%' % (
                                set_name, item, fmt, method, reported, counted))
                print('%-12s %-6s %-13s %8s %8s  %s' % (set_name, fmt, method, '%.2f' % plain if plain else 'inf',
                                                          '%.2f' % blurred if blurred else 'inf', flicker))
    if exact_levels:
        print('(%d levels with no difference at all, infinite PSNR, are left out of the means)' % exact_levels)
    for line in mismatches:
        print('MISMATCH ' + line)
    print()

    verdicts = []
    def check(ok, text):
        verdicts.append(ok)
        print('%s  %s' % ('PASS' if ok else 'FAIL', text))
    def skip(text):
        print('SKIP  %s' % text)

    if photos:
        for fmt, method, key, goal in (('565', 'diffusion', 'blurred', 59.0), ('4444', 'diffusion', 'blurred', 52.0),
                                       ('565', 'ordered', 'blurred', 52.5)):
            value = results[('photographs', fmt, method)][key]
            check(value >= goal, '%s %s on the photographs: %s %.2f dB, at least %.1f' % (fmt, method, key, value, goal))
        truncated = results[('photographs', '565', 'truncated')]['plain']
        value = results[('photographs', '565', 'diffusion')]['plain']
        goal = min(PLAIN_GOAL, PLAIN_GOAL + truncated - PLAIN_GOAL_TRUNCATED)
        check(value >= goal, '565 diffusion on the photographs: plain %.2f dB, at least %.2f (%.1f where truncation'
              ' measures %.1f; here it measures %.2f)' % (value, goal, PLAIN_GOAL, PLAIN_GOAL_TRUNCATED, truncated))
    else:
        skip('the targets on the photographs: there are none')
    animated_sets = [s for s in sets if s[2]]
    for method in ('ordered', 'stable'):
        for fmt in FORMATS:
            still = sum(results[(s[0], fmt, method)]['still'] for s in animated_sets)
            changed = sum(results[(s[0], fmt, method)]['changed'] for s in animated_sets)
            check(changed == 0, '%s %s flicker: %d of the %d still pixels of every animation (%s) changed, none allowed' % (
                fmt, method, changed, still, ', '.join(s[0] for s in animated_sets)))
    for set_name, _, _, _ in animated_sets:
        for fmt in FORMATS:
            stable, diffusion = results[(set_name, fmt, 'stable')]['blurred'], results[(set_name, fmt, 'diffusion')]['blurred']
            check(stable >= diffusion - 0.3, '%s stable on %s: blurred %.2f dB, diffusion %.2f dB, at most 0.3 below' % (
                fmt, set_name, stable, diffusion))
    if mismatches:
        check(False, "qfbinfo's flicker agrees with the frames' exact count")
    print('targets: %d passed, %d failed' % (sum(verdicts), len(verdicts) - sum(verdicts)))
    return 0 if all(verdicts) else 1


if __name__ == '__main__':
    sys.exit(main())
