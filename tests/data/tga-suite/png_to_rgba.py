#!/usr/bin/env python3
"""Converts reference PNG pictures into raw .rgba files the conformance test can read without a
PNG decoder: width and height as little-endian 32-bit numbers, then width x height pixels of
red, green, blue, alpha, top row first. Handles non-interlaced PNGs of 1-8 bits per sample.

Usage: png_to_rgba.py picture.png...   (writes picture.rgba beside each)
"""
import struct
import sys
import zlib


def chunks(data):
    pos = 8
    while pos < len(data):
        (size,) = struct.unpack(">I", data[pos:pos + 4])
        yield data[pos + 4:pos + 8], data[pos + 8:pos + 8 + size]
        pos += 12 + size


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def unfilter(raw, height, stride, bpp):
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            add = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
            line[i] = (line[i] + add) & 0xFF
        rows.append(line)
        prev = line
    return rows


def samples(line, count, depth):
    if depth == 8:
        return list(line[:count])
    per_byte, mask = 8 // depth, (1 << depth) - 1
    return [(line[i // per_byte] >> (8 - depth * (i % per_byte + 1))) & mask for i in range(count)]


def convert(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    idat, palette, alpha = b"", [], []
    for kind, body in chunks(data):
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
        elif kind == b"tRNS":
            alpha = list(body)
        elif kind == b"IDAT":
            idat += body
    assert interlace == 0 and depth <= 8, path
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    stride = (width * channels * depth + 7) // 8
    rows = unfilter(zlib.decompress(idat), height, stride, max(1, channels * depth // 8))
    scale = 255 // ((1 << depth) - 1)
    out = bytearray(struct.pack("<II", width, height))
    for line in rows:
        values = samples(line, width * channels, depth)
        for x in range(width):
            px = values[x * channels:(x + 1) * channels]
            if colour == 3:
                r, g, b = palette[px[0]]
                a = alpha[px[0]] if px[0] < len(alpha) else 255
            elif colour == 0:
                r = g = b = px[0] * scale
                a = 255
            elif colour == 4:
                r = g = b = px[0]
                a = px[1]
            elif colour == 2:
                r, g, b, a = px[0], px[1], px[2], 255
            else:
                r, g, b, a = px
            out += bytes((r, g, b, a))
    with open(path[:-4] + ".rgba", "wb") as target:
        target.write(out)


if __name__ == "__main__":
    for name in sys.argv[1:]:
        convert(name)
