"""What the tests share: the programs and folders CTest passes in the environment (MAKEQFB,
QFBINFO, QFB_SOURCE_DIR; QFB_LIBRARY names the libqfb built with them), Targa files made from
pixels, frame sets written by makeqfb's naming convention, and runs of makeqfb and qfbinfo."""

import os
import random
import struct
import subprocess

import pytest

MAKEQFB = os.environ.get("MAKEQFB", "makeqfb")
QFBINFO = os.environ.get("QFBINFO", "qfbinfo")
SOURCE_DIR = os.environ.get("QFB_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))


def pixels(width, height, depth, seed):
    """width x height pixels of depth/8 bytes in R, G, B[, A] order, random but repeatable, with
    every fourth alpha 0 (the 1555 flag) and some 255."""
    generator = random.Random(seed)
    data = bytearray(generator.randbytes(width * height * depth // 8))
    if depth == 32:
        for i in range(3, len(data), 16):
            data[i] = 0
        for i in range(7, len(data), 16):
            data[i] = 255
    return bytes(data)


def targa(width, height, depth, rgb, top_first=True):
    """An uncompressed true-colour Targa file of pixels given top row first in R, G, B[, A]."""
    size = depth // 8
    bgr = bytearray(rgb)
    bgr[0::size], bgr[2::size] = rgb[2::size], rgb[0::size]
    rows = [bytes(bgr[y * width * size:(y + 1) * width * size]) for y in range(height)]
    if not top_first:
        rows.reverse()
    descriptor = (0x20 if top_first else 0) | (8 if depth == 32 else 0)
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, depth, descriptor)
    return header + b"".join(rows)


def write_set(folder, stem, frames, single):
    """Writes frames (lists of levels, each (width, height, depth, rgb)) as Targa files named by
    makeqfb's convention: stem.tga and stem-a.tga ... for a single image, stem-0001.tga and
    stem-a0001.tga ... for frames (rows alternately top and bottom first). The base filename."""
    for number, frame in enumerate(frames, start=1):
        for index, (width, height, depth, rgb) in enumerate(frame):
            letter = chr(ord("a") + index - 1) if index else ""
            name = "%s-%s.tga" % (stem, letter) if single and index else \
                "%s.tga" % stem if single else "%s-%s%04d.tga" % (stem, letter, number)
            with open(os.path.join(folder, name), "wb") as out:
                out.write(targa(width, height, depth, rgb, top_first=(number + index) % 2 == 0))
    return os.path.join(folder, stem + ".tga")


def run(*arguments):
    return subprocess.run(arguments, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, check=False)


def makeqfb(format, fps, base):
    """Runs makeqfb; the QFB file's bytes and the transcript."""
    result = run(MAKEQFB, format, str(fps), base)
    assert result.returncode == 0, result.stdout
    with open(base[:-4] + ".qfb", "rb") as made:
        return made.read(), result.stdout


@pytest.fixture
def folder(tmp_path):
    return str(tmp_path)
