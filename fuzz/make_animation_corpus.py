#!/usr/bin/env python3
"""Writes the seed corpora of fuzz_gif and fuzz_webp (fuzz/corpus/gif, fuzz/corpus/webp): the
samples the readers' tests make (tests/support/make_animation_samples.py, every disposal, blending,
transparency, interlacing, local colour tables, lossy and lossless WebP), and a WebP file of more
frames than the readers take. Needs Pillow, gifsicle, img2webp and webpmux. Rerun after changing
the samples:
    python3 fuzz/make_animation_corpus.py
"""
import os
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # no bytecode cache in the source folder
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
import make_animation_samples  # noqa: E402


def main():
    tools = [shutil.which(name) for name in ("gifsicle", "img2webp", "webpmux")]
    with tempfile.TemporaryDirectory() as folder:
        make_animation_samples.write_samples(folder, *tools)
        for name in sorted(os.listdir(folder)):
            kind = os.path.splitext(name)[1][1:]
            if kind in ("gif", "webp") and name != "frame-0.webp":
                os.makedirs(os.path.join(ROOT, "fuzz", "corpus", kind), exist_ok=True)
                shutil.copy(os.path.join(folder, name), os.path.join(ROOT, "fuzz", "corpus", kind, name))
        # 40 frames of one pixel on a canvas of 1023 x 511 (its last frame's far corner): more
        # whole frames than the readers decode.
        pixel = os.path.join(folder, "pixel.webp")
        Image.new("RGBA", (1, 1), (255, 0, 0, 255)).save(pixel, lossless=True)
        frames = []
        for _ in range(39):
            frames += ["-frame", pixel, "+10+0+0"]
        frames += ["-frame", pixel, "+10+1022+510"]
        subprocess.run([tools[2]] + frames + ["-o", os.path.join(ROOT, "fuzz", "corpus", "webp", "many-frames.webp")],
                       check=True, capture_output=True)


if __name__ == "__main__":
    main()
