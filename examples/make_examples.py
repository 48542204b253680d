#!/usr/bin/env python3
"""Writes the example frame set: three 32 x 32 frames of a ball bouncing across a
transparent background, each with two hand-made mipmap levels (16 x 16 and 8 x 8),
and a single 16 x 16 image of the ball with one mipmap level (spin.tga, spin-a.tga),
as uncompressed 32-bit Targa files (bottom row first, 8 alpha bits). Also writes the two tiny
sets of the Bazel example workspace in bazel/art/: two 8 x 8 frames of the ball with one level,
and a 16 x 16 single 24-bit image of a sky with one level. And the PNG frames of a glow that
fades in and out, for qfbprep pack: glow-1.png to glow-3.png (16 x 16) here and in bazel/art/ (8 x 8),
soft-edged and shaded so that dithering, an alpha threshold and made mipmaps each change the
packed words. And the pictures of the dithering section of docs/qfbprep.md: bubble-1.png to
bubble-4.png (64 x 40), a soft, partly transparent ball drifting over a still gradient; leaf.png
(32 x 32), a soft-edged sprite whose fully transparent pixels are black, as painting programs
save them, for --bleed; and grass.png (64 x 64), thin antialiased blades for an alpha test, for
--keep-coverage. And the glow's frames as an artist may hand them over, here and in bazel/art/:
glow_sheet.png, the three frames side by side (a sprite sheet of 3 x 1 cells), and glow.aseprite,
an Aseprite sprite of the same frames, 100 ms each, with the tag "fade" playing them backwards."""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def targa(width, height, pixels, bits=32):
    """pixels: rows top first, each a list of (b, g, r, a); at 24 bits alpha is left out."""
    header = struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, width, height, bits, 8 if bits == 32 else 0)
    body = bytearray()
    for row in reversed(pixels):  # the file stores the bottom row first
        for pixel in row:
            body += bytes(pixel[:bits // 8])
    return header + bytes(body)


def png(width, height, pixels):
    """pixels: rows top first, each a list of (r, g, b, a); 8-bit RGBA, every row unfiltered."""
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    rows = b''.join(b'\0' + bytes(channel for pixel in row for channel in pixel) for row in pixels)
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')


def glow(size, step):
    """A disc whose alpha falls off from its centre, brighter at each step, on a colour ramp."""
    strength = (0.5, 0.8, 1.0)[step]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d = math.hypot(x + 0.5 - size / 2, y + 0.5 - size / 2) / (size / 2)
            alpha = max(0.0, min(1.0, (1.0 - d) * 1.6 * strength))
            row.append((255, 96 + x * 150 // size, 32 + y * 200 // size, int(round(alpha * 255))))
        rows.append(row)
    return rows


def sky(size):
    return [[(255 - y * 96 // size, 160 + x * 64 // size, 60 + y * 128 // size, 255) for x in range(size)]
            for y in range(size)]


def aseprite(size, frames, tags):
    """An Aseprite sprite (the Aseprite file format description: little-endian, one RGBA layer,
    zlib-compressed cels): frames are lists of rows of (r, g, b, a), 100 ms each; tags are
    (name, from, to, direction)."""
    def chunk(kind, data):
        return struct.pack('<IH', len(data) + 6, kind) + data

    def string(text):
        return struct.pack('<H', len(text)) + text.encode()

    body = b''
    for number, rows in enumerate(frames):
        chunks = []
        if number == 0:
            chunks.append(chunk(0x2004, struct.pack('<HHHHHHB3x', 1, 0, 0, 0, 0, 0, 255) + string('glow')))
            tag_data = struct.pack('<H8x', len(tags))
            for name, first, last, direction in tags:
                tag_data += struct.pack('<HHBH6x3xx', first, last, direction, 0) + string(name)
            chunks.append(chunk(0x2018, tag_data))
        pixels = bytes(channel for row in rows for pixel in row for channel in pixel)
        chunks.append(chunk(0x2005, struct.pack('<HhhBHh5xHH', 0, 0, 0, 255, 2, 0, size, size) + zlib.compress(pixels, 9)))
        data = b''.join(chunks)
        body += struct.pack('<IHHH2xI', len(data) + 16, 0xF1FA, len(chunks), 100, len(chunks)) + data
    header = struct.pack('<IHHHHHIHII B3xHBBhhHH84x', 128 + len(body), 0xA5E0, len(frames), size, size, 32, 1, 100,
                         0, 0, 0, 0, 1, 1, 0, 0, 16, 16)
    return header + body


def sheet(frames):
    """The frames, each a list of rows, side by side in one row."""
    return [sum((frame[y] for frame in frames), []) for y in range(len(frames[0]))]


def write(folder, name, data):
    with open(os.path.join(folder, name), 'wb') as out:
        out.write(data)


def frame(size, step):
    cx = size * (0.3 + 0.2 * step)
    cy = size * (0.35 + 0.15 * abs(math.sin(step * 1.3)))
    radius = size * 0.25
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= radius:
                shade = int(255 * (1.0 - 0.6 * d / radius))
                row.append((40, 90 + shade // 3, shade, 255))
            else:
                row.append((x * 255 // size, y * 255 // size, 0, 0))  # transparent, but coloured
        rows.append(row)
    return rows


def bubble(step, width=64, height=40, frames=4):
    """The ball, 70 % opaque with a soft edge, composited over a gradient that stays still."""
    cx = width * (0.22 + 0.56 * step / (frames - 1))
    cy = height * (0.55 - 0.2 * math.sin(math.pi * step / (frames - 1)))
    radius = 9.0
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            u, v = x / (width - 1), y / (height - 1)
            ground = (20 + 50 * u, 30 + 70 * v, 90 + 60 * (1 - u) * (1 - v) + 40 * v)
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            cover = 0.7 * max(0.0, min(1.0, (radius - d) / 3 + 0.5))
            shade = 1.0 - 0.45 * min(d / radius, 1.0)
            ball = (255 * shade, 150 * shade + 40, 50 * shade)
            row.append(tuple(int(round(g + (b - g) * cover)) for g, b in zip(ground, ball)) + (255,))
        rows.append(row)
    return rows


def leaf(size=32):
    """A pointed leaf, yellow at the tip to green at the stem, with an antialiased edge; black where
    it is fully transparent."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            # Leaf coordinates: t along the diagonal from the stem (0) to the tip (1), s across.
            px, py = (x + 0.5) / size * 1.2 - 0.1, (y + 0.5) / size * 1.2 - 0.1
            t = (px + (1 - py)) / 2
            s = (px - (1 - py)) / 2 ** 0.5
            half = 0.2 * math.sin(math.pi * min(max(t, 0.0), 1.0)) ** 0.8
            alpha = max(0.0, min(1.0, (half - abs(s)) * size * 0.7 + 0.5)) if 0.05 < t < 0.97 else 0.0
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((int(60 + 170 * t), int(150 + 80 * t), int(30 + 20 * t), int(round(alpha * 255))))
        rows.append(row)
    return rows


def grass(size=64):
    """Blades about a pixel and a half wide, curving up from the bottom edge, alpha antialiased."""
    blades = [(0.1 + 0.115 * n, 0.55 + 0.4 * ((n * 7) % 5) / 4, 0.12 * ((n * 3) % 5 - 2) / 2) for n in range(8)]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            alpha = 0.0
            for base, height, lean in blades:
                up = 1 - (y + 0.5) / size  # 0 at the bottom, 1 at the top
                if up > height:
                    continue
                centre = (base + lean * (up / height) ** 2) * size
                width = 0.9 * (1 - up / height) + 0.3
                alpha = max(alpha, max(0.0, min(1.0, width - abs(x + 0.5 - centre) + 0.5)))
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((110 - y, 190 - y, 40, int(round(alpha * 255))))
        rows.append(row)
    return rows


def main():
    for number in (1, 2, 3):
        for level, letter in enumerate(('', 'a', 'b')):
            size = 32 >> level
            name = 'walk-%s%04d.tga' % (letter, number)
            write(HERE, name, targa(size, size, frame(size, number - 1)))
    for level, name in enumerate(('spin.tga', 'spin-a.tga')):
        size = 16 >> level
        write(HERE, name, targa(size, size, frame(size, 1)))
    art = os.path.join(HERE, 'bazel', 'art')
    os.makedirs(art, exist_ok=True)
    for number in (1, 2):
        for level, letter in enumerate(('', 'a')):
            size = 8 >> level
            write(art, 'ball-%s%04d.tga' % (letter, number), targa(size, size, frame(size, number)))
    for level, name in enumerate(('sky.tga', 'sky-a.tga')):
        write(art, name, targa(16 >> level, 16 >> level, sky(16 >> level), bits=24))
    for folder, size in ((HERE, 16), (art, 8)):
        for number in (1, 2, 3):
            write(folder, 'glow-%d.png' % number, png(size, size, glow(size, number - 1)))
        frames = [glow(size, step) for step in range(3)]
        write(folder, 'glow_sheet.png', png(3 * size, size, sheet(frames)))
        write(folder, 'glow.aseprite', aseprite(size, frames, [('fade', 0, 2, 1)]))
    for number in (1, 2, 3, 4):
        write(HERE, 'bubble-%d.png' % number, png(64, 40, bubble(number - 1)))
    write(HERE, 'leaf.png', png(32, 32, leaf()))
    write(HERE, 'grass.png', png(64, 64, grass()))


if __name__ == '__main__':
    main()
