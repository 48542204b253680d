#!/usr/bin/env python3
"""Writes animated GIF and WebP samples into FOLDER with Pillow, gifsicle, img2webp and webpmux,
and beside each one the frames Pillow composites on reading it, as the reference the readers are
compared with:
    make_animation_samples.py FOLDER GIFSICLE IMG2WEBP WEBPMUX [--png]
(with --png each reference frame also saved as <file>-N.png, N from 0), or sprite sheets, each beside its cells saved one by one (see write_sheets):
    make_animation_samples.py --sheets FOLDER
FOLDER/manifest.txt gets a line a sample: its file name, width, height, frame count and the
durations Pillow reads (milliseconds, comma-separated). FOLDER/<file>.rgba holds its frames as
red, green, blue, alpha, top row first, one after another. Each sample's name says how it was
made: every GIF disposal method, WebP disposal and blending, transparency, interlacing, local
colour tables, frames placed inside the screen, lossy and lossless WebP.
"""
import os
import subprocess
import sys

from PIL import Image, ImageDraw

WIDTH, HEIGHT = 40, 32  # at least 16 each way, where Pillow interlaces GIF frames unless told not to

# A palette of 16 colours; index 0 is the transparent one wherever a sample has transparency.
PALETTE = [(0, 0, 0), (255, 255, 255), (200, 30, 40), (30, 180, 60), (40, 60, 220), (250, 210, 20),
           (20, 200, 210), (210, 40, 200), (120, 70, 20), (128, 128, 128), (255, 140, 0), (90, 0, 160),
           (0, 90, 60), (250, 160, 180), (60, 60, 60), (170, 220, 120)]


def paletted(colours=PALETTE):
    image = Image.new("P", (WIDTH, HEIGHT), 0)
    image.putpalette([c for rgb in colours for c in rgb] + [0] * (768 - 3 * len(colours)))
    return image


def sprite_frames(count, background=None, colours=PALETTE):
    """count frames: a ring and a bar moving across, over a background index or transparency (0)."""
    frames = []
    for i in range(count):
        image = paletted(colours)
        draw = ImageDraw.Draw(image)
        if background is not None:
            draw.rectangle((0, 0, WIDTH - 1, HEIGHT - 1), fill=background)
            draw.rectangle((3, 3, WIDTH - 4, 8), fill=9)
        x = 2 + 7 * i
        draw.ellipse((x, 10, x + 13, 23), outline=2 + i % 5, width=3)
        draw.rectangle((WIDTH - 8 - 5 * i, 20 + i, WIDTH - 3 - 5 * i, 29), fill=5 + i % 6)
        draw.point((i, HEIGHT - 1 - i), fill=1)
        frames.append(image)
    return frames


def small_frames(count):
    """count frames of 16 x 12: a block and a ring of other colours, over transparency (0)."""
    frames = []
    for i in range(count):
        image = paletted().crop((0, 0, 16, 12))
        draw = ImageDraw.Draw(image)
        draw.rectangle((i, 1, 8 + i, 10 - i), fill=3 + i)
        draw.ellipse((6, 2, 15, 11), outline=9 + i, width=2)
        frames.append(image)
    return frames


def rgba_frames(count):
    """count RGBA frames with soft alpha: a fading disc moving over a half-transparent band."""
    frames = []
    for i in range(count):
        image = Image.new("RGBA", (WIDTH, HEIGHT), (0, 0, 0, 0))
        draw = ImageDraw.Draw(image)
        draw.rectangle((0, 4, WIDTH - 1, 11), fill=(30, 120, 200, 128))
        x = 3 + 8 * i
        draw.ellipse((x, 12, x + 15, 27), fill=(240, 80 + 40 * i, 30, 255 - 50 * i))
        draw.rectangle((WIDTH - 10 - 4 * i, 24, WIDTH - 4 - 4 * i, 30), fill=(20, 220, 90, 255))
        frames.append(image)
    return frames


def save_gif(path, frames, **options):
    frames[0].save(path, save_all=True, append_images=frames[1:], loop=0, **options)


def gifsicle_merge(gifsicle, path, frames, folder, per_frame, whole):
    """Each frame saved alone by Pillow (its own colour table), merged by gifsicle with per_frame[i]'s
    options before it, and whole's options at the front."""
    inputs = []
    for i, frame in enumerate(frames):
        single = os.path.join(folder, f"single-{os.path.basename(path)}-{i}.gif")
        frame.save(single)
        inputs += per_frame[i] + [single]
    subprocess.run([gifsicle, "--no-warnings"] + whole + inputs + ["-o", path], check=True)
    for i in range(len(frames)):
        os.remove(os.path.join(folder, f"single-{os.path.basename(path)}-{i}.gif"))


def samples(folder, gifsicle, img2webp, webpmux):
    """Writes each sample; yields its file name."""
    def at(name):
        return os.path.join(folder, name)

    save_gif(at("pillow-leave-transparent.gif"), sprite_frames(4), duration=100, disposal=1, transparency=0)
    yield "pillow-leave-transparent.gif"
    save_gif(at("pillow-background-transparent.gif"), sprite_frames(4), duration=70, disposal=2, transparency=0)
    yield "pillow-background-transparent.gif"
    save_gif(at("pillow-previous-transparent.gif"), sprite_frames(4, background=12), duration=40, disposal=3,
             transparency=0)
    yield "pillow-previous-transparent.gif"
    save_gif(at("pillow-keep-opaque.gif"), sprite_frames(3, background=12), duration=50, disposal=0)
    yield "pillow-keep-opaque.gif"
    # Each disposal in turn, and delays a browser shows otherwise (0 and 10 ms show as 100 ms).
    save_gif(at("pillow-each-disposal-delays.gif"), sprite_frames(5), duration=[0, 10, 20, 30, 1000],
             disposal=[0, 1, 2, 3, 1], transparency=0)
    yield "pillow-each-disposal-delays.gif"
    save_gif(at("pillow-not-interlaced.gif"), sprite_frames(3, background=9), duration=60, disposal=1,
             interlace=False)
    yield "pillow-not-interlaced.gif"
    # Frames of other palettes than the first: local colour tables.
    reversed_palette = list(reversed(PALETTE))
    frames = sprite_frames(2) + sprite_frames(2, colours=reversed_palette)
    save_gif(at("pillow-local-tables.gif"), frames, duration=90, disposal=1, transparency=0)
    yield "pillow-local-tables.gif"
    # RGBA frames made into GIF by Pillow's own quantizer, alpha 0 becoming the transparent index.
    rgba = []
    for frame in sprite_frames(3):
        frame.info["transparency"] = 0
        rgba.append(frame.convert("RGBA"))
    save_gif(at("pillow-from-rgba.gif"), rgba, duration=100, disposal=2)
    yield "pillow-from-rgba.gif"

    # gifsicle: frames placed inside the screen, each with its own colour table, interlaced or not.
    # (With no transparent index, Pillow paints the background colour where the first frame leaves
    # the screen uncovered and where a frame is restored to background; browsers leave both
    # transparent. The files built in the tests hold those cases.)
    small = small_frames(4)
    places = [["--position", "0,0"], ["--position", "20,4"], ["--position", "8,18"], ["--position", "24,20"]]
    for disposal in ("none", "asis", "background", "previous"):
        name = f"gifsicle-placed-{disposal}.gif"
        per_frame = [["--disposal", disposal, "--delay", str(3 + i), "--transparent", "#000000"] + places[i]
                     for i in range(4)]
        gifsicle_merge(gifsicle, at(name), small, folder, per_frame, ["--logical-screen", f"{WIDTH}x{HEIGHT}"])
        yield name
    name = "gifsicle-transparent-interlaced.gif"
    per_frame = [["--disposal", "previous", "--transparent", "#000000", "--interlace"] + places[i] for i in range(4)]
    gifsicle_merge(gifsicle, at(name), small, folder, per_frame,
                   ["--logical-screen", f"{WIDTH}x{HEIGHT}", "--delay", "8"])
    yield name
    # gifsicle's optimizer: frames cut to what changed, unchanged pixels made transparent.
    save_gif(at("source.gif"), sprite_frames(5, background=12), duration=60, disposal=1)
    for level in ("-O2", "-O3"):
        name = f"gifsicle-optimized{level}.gif"
        subprocess.run([gifsicle, "--no-warnings", level, at("source.gif"), "-o", at(name)], check=True)
        yield name
    os.remove(at("source.gif"))

    # WebP by Pillow: lossless and lossy, with soft alpha.
    frames = rgba_frames(4)
    frames[0].save(at("pillow-lossless.webp"), save_all=True, append_images=frames[1:], duration=[50, 80, 120, 5],
                   lossless=True, loop=0)
    yield "pillow-lossless.webp"
    frames[0].save(at("pillow-lossy.webp"), save_all=True, append_images=frames[1:], duration=60, lossless=False,
                   quality=70, loop=0)
    yield "pillow-lossy.webp"
    frames[0].save(at("pillow-still.webp"), lossless=True)
    yield "pillow-still.webp"
    # img2webp from PNG frames, lossless and lossy frames mixed, key frames every other frame.
    pngs = []
    for i, frame in enumerate(frames):
        pngs.append(at(f"frame-{i}.png"))
        frame.save(pngs[-1])
    subprocess.run([img2webp, "-kmin", "1", "-kmax", "2", "-d", "40", "-lossless", pngs[0], pngs[1], "-lossy",
                    "-q", "60", pngs[2], "-d", "90", pngs[3], "-o", at("img2webp-mixed.webp")],
                   check=True, capture_output=True)
    yield "img2webp-mixed.webp"
    # webpmux: frames placed on the canvas with each disposal and blending.
    pieces = []
    for i, frame in enumerate(rgba_frames(4)):
        pieces.append(at(f"piece-{i}.webp"))
        frame.crop((0, 0, 24, 20)).save(pieces[-1], lossless=True)
    modes = ["+0+b", "+1+b", "+0-b", "+1-b"]  # disposal none or background, then blending on or off
    offsets = ["+0+0", "+14+10", "+6+12", "+16+4"]
    for first in range(4):  # each mode on every frame place, by rotating the list
        name = f"webpmux-modes-{first}.webp"
        arguments = [webpmux]
        for i in range(4):
            arguments += ["-frame", pieces[i], f"+{30 + 10 * i}{offsets[i]}{modes[(first + i) % 4]}"]
        # A frame cannot pass the canvas, whose size the first frame would set: a full-size one first.
        subprocess.run(arguments[:1] + ["-frame", at("frame-0.webp"), "+20+0+0+1+b"] + arguments[1:] +
                       ["-o", at(name)], check=True, capture_output=True)
        yield name
    for path in pngs + pieces:
        os.remove(path)


def reference(path):
    """Pillow's frames of the file, as RGBA bytes, and its durations."""
    image = Image.open(path)
    data, durations = bytearray(), []
    for i in range(getattr(image, "n_frames", 1)):
        image.seek(i)
        data += image.convert("RGBA").tobytes()
        durations.append(int(image.info.get("duration", 0) or 0))
    return image.size, durations, bytes(data)


def write_samples(folder, gifsicle, img2webp, webpmux, png=None):
    """Writes every sample, its reference frames and the manifest into folder; with png ("--png")
    the reference frames also as PNG files."""
    os.makedirs(folder, exist_ok=True)
    Image.new("RGBA", (WIDTH, HEIGHT), (0, 0, 0, 0)).save(os.path.join(folder, "frame-0.webp"), lossless=True)
    lines = []
    for name in samples(folder, gifsicle, img2webp, webpmux):
        (width, height), durations, data = reference(os.path.join(folder, name))
        with open(os.path.join(folder, name + ".rgba"), "wb") as out:
            out.write(data)
        frame_bytes = width * height * 4
        for i in range(len(durations) if png == "--png" else 0):
            frame = data[i * frame_bytes:(i + 1) * frame_bytes]
            Image.frombytes("RGBA", (width, height), frame).save(os.path.join(folder, f"{name}-{i}.png"))
        lines.append(f"{name} {width} {height} {len(durations)} {','.join(map(str, durations))}\n")
    with open(os.path.join(folder, "manifest.txt"), "w") as out:
        out.writelines(lines)


def write_sheets(folder):
    """sheet.png: 4 x 3 cells of 16 x 12 pixels, RGBA, the last two empty; sheet.tga: 3 x 2 cells of
    20 x 10, RGB. Each cell also saved alone, in order row by row: cell-N.png, cell-N.tga."""
    os.makedirs(folder, exist_ok=True)
    for kind, mode, columns, rows, width, height, filled in (("png", "RGBA", 4, 3, 16, 12, 10),
                                                             ("tga", "RGB", 3, 2, 20, 10, 6)):
        sheet = Image.new(mode, (columns * width, rows * height), (0, 0, 0, 0) if mode == "RGBA" else (0, 0, 0))
        for i in range(columns * rows):
            cell = Image.new(mode, (width, height), (0, 0, 0, 0) if mode == "RGBA" else (0, 0, 0))
            if i < filled:
                draw = ImageDraw.Draw(cell)
                draw.rectangle((0, 0, width - 1, height - 1), outline=(255, 255, 255, 255), width=1)
                draw.ellipse((i % 5, 1, width - 2, height - 1 - i % 3), fill=(40 * i % 256, 200, 255 - 20 * i, 90 + 15 * i))
                draw.point((i, i % height), fill=(i, 2 * i, 3 * i, 255))
            cell.save(os.path.join(folder, f"cell-{i}.{kind}"))
            sheet.paste(cell, (i % columns * width, i // columns * height))
        sheet.save(os.path.join(folder, f"sheet.{kind}"))


if __name__ == "__main__":
    if sys.argv[1] == "--sheets":
        write_sheets(sys.argv[2])
    else:
        write_samples(*sys.argv[1:6])
