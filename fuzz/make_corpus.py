#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_read_targa (fuzz/corpus/read_targa) and the hand-made refused
files that must stay refused (tests/data/crashers/targa). Rerun after changing either list:
    python3 fuzz/make_corpus.py
"""
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus", "read_targa")
CRASHERS = os.path.join(ROOT, "tests", "data", "crashers", "targa")


def header(image_type=2, width=4, height=3, depth=24, descriptor=0x20, id_field=b"",
           map_type=0, map_length=0, map_entry=0):
    return struct.pack("<BBBHHBHHHHBB", len(id_field), map_type, image_type, 0, map_length,
                       map_entry, 0, 0, width, height, depth, descriptor) + id_field


def pixels(count, size, seed=1):
    out = bytearray()
    for i in range(count * size):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        out.append(seed >> 16 & 0xFF)
    return bytes(out)


def rle_rows(width, height, size):
    """Each row: a run of half the row, then the rest as one raw packet."""
    out = bytearray()
    for row in range(height):
        run = max(1, width // 2)
        out += bytes([0x80 | (run - 1)]) + pixels(1, size, row + 7)
        if width > run:
            out += bytes([width - run - 1]) + pixels(width - run, size, row + 9)
    return bytes(out)


def seeds():
    for depth in (8, 16, 24, 32):
        size, alpha = depth // 8, (8 if depth == 32 else 0)
        for top in (0x20, 0):
            yield f"raw{depth}_{'top' if top else 'bottom'}", \
                header(2, 5, 3, depth, top | alpha) + pixels(15, size)
            yield f"rle{depth}_{'top' if top else 'bottom'}", \
                header(10, 5, 3, depth, top | alpha) + rle_rows(5, 3, size)
    yield "id_field", header(id_field=b"fuzz seed") + pixels(12, 3)
    yield "extra_bytes", header() + pixels(12, 3) + b"TRUEVISION-XFILE.\0"
    yield "map24", header(1, 4, 2, 8, 0x20, map_type=1, map_length=4, map_entry=24) + pixels(4, 3) + bytes([0, 1, 2, 3] * 2)
    yield "map16_rle", header(9, 4, 2, 8, 0, map_type=1, map_length=3, map_entry=16) + pixels(3, 2) + rle_rows(4, 2, 1)
    yield "map32", header(1, 2, 2, 8, 0x20, map_type=1, map_length=2, map_entry=32) + pixels(2, 4) + bytes([1, 0, 0, 1])
    yield "width0", header(width=0)
    yield "height0", header(height=0) + b"\x01"
    yield "header_only", header()
    yield "long_run", header(10, 130, 1, 24) + bytes([0xFF]) + pixels(1, 3) + bytes([0x81]) + pixels(1, 3)


def crashers():
    yield "truncated-header", header()[:17]
    yield "negative-width", header(width=0xFFFF) + pixels(12, 3)
    yield "id-field-past-end", header(id_field=b"x" * 200)[:40]
    yield "colour-map-past-end", header(1, 2, 2, 8, map_type=1, map_length=0xFFFF, map_entry=32) + pixels(8, 1)
    yield "raw-data-short", header(2, 100, 100, 24) + pixels(10, 3)
    yield "rle-runs-out", header(10, 8, 8, 24) + rle_rows(8, 3, 3)
    yield "rle-run-crosses-row", header(10, 1, 4, 24) + bytes([0xFF]) + pixels(1, 3)
    yield "too-large-for-buffer", header(2, 32767, 32767, 32, 0x28) + pixels(16, 4)


def write(folder, items, suffix):
    os.makedirs(folder, exist_ok=True)
    for name, data in items:
        with open(os.path.join(folder, name + suffix), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    write(CORPUS, seeds(), "")
    write(CRASHERS, crashers(), ".tga")
