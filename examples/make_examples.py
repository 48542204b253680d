#!/usr/bin/env python3
"""Writes the example frame set: three 32 x 32 frames of a ball bouncing across a
transparent background, each with two hand-made mipmap levels (16 x 16 and 8 x 8),
and a single 16 x 16 image of the ball with one mipmap level (spin.tga, spin-a.tga),
as uncompressed 32-bit Targa files (bottom row first, 8 alpha bits)."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def targa(width, height, pixels):
    """pixels: rows top first, each a list of (b, g, r, a)."""
    header = struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, width, height, 32, 8)
    body = bytearray()
    for row in reversed(pixels):  # the file stores the bottom row first
        for b, g, r, a in row:
            body += bytes((b, g, r, a))
    return header + bytes(body)


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


def main():
    for number in (1, 2, 3):
        for level, letter in enumerate(('', 'a', 'b')):
            size = 32 >> level
            name = 'walk-%s%04d.tga' % (letter, number)
            with open(os.path.join(HERE, name), 'wb') as out:
                out.write(targa(size, size, frame(size, number - 1)))
    for level, name in enumerate(('spin.tga', 'spin-a.tga')):
        size = 16 >> level
        with open(os.path.join(HERE, name), 'wb') as out:
            out.write(targa(size, size, frame(size, 1)))


if __name__ == '__main__':
    main()
