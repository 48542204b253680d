#!/usr/bin/env python3
"""The Windows tools under Wine against the Linux tools, case by case: each case's files are laid
out twice, the same commands run in each copy (the Linux tools in one, the Windows tools through
Wine in the other), and the two must give the same exit statuses, the same standard output byte
for byte (the Windows tools write it in binary mode: no "\\r" is added or stripped) and the same
folder afterwards, every file with the same bytes, with no temporary file left by any run.

The cases: generated sets of every kind the tools read (24 and 32 bits, raw and run-length
encoded, either row order, frames with mipmap levels) packed to every format and read back by
qfbinfo and qfbprep; the Targa test suite; every input of the fuzz corpora and the saved crashers,
laid out as their fuzz targets lay them out; names as Windows users write them; and what only
the Windows build does (its refusals of a name outside the code page and of the pictures).

Usage: differential.py LINUX_BIN WINDOWS_BIN SOURCE_DIR WORK_DIR
Exits 77 (skipped) when Wine or the Windows tools are missing."""
import concurrent.futures
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import time
import zlib

SKIP = 77
TIMEOUT = 120  # seconds for one run of a tool
FORMATS = ["1555", "4444", "565"]
MAX_EXTRACTED = 400  # levels of a corpus file that is extracted too


def targa(width, height, bits, rle, top_first, seed):
    """A true-colour Targa file whose pixels repeat in short runs, so that RLE has both packets."""
    size = bits // 8
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            v = (x // 3) * 37 + y * 11 + seed * 5
            pixel = bytes([(v * 7) & 255, (v * 13 + 40) & 255, (v * 29 + 90) & 255, (v * 3) & 255][:size])
            row.append(bytes(4)[:size] if (x + y + seed) % 11 == 0 else pixel)
        rows.append(row)
    if not top_first:
        rows.reverse()
    body = bytearray()
    for row in rows:
        if not rle:
            body += b"".join(row)
            continue
        i = 0
        while i < len(row):
            run = 1
            while i + run < len(row) and run < 128 and row[i + run] == row[i]:
                run += 1
            if run > 1:
                body += bytes([0x80 | (run - 1)]) + row[i]
                i += run
                continue
            raw = 1
            while i + raw < len(row) and raw < 128 and (i + raw + 1 >= len(row) or row[i + raw] != row[i + raw + 1]):
                raw += 1
            body += bytes([raw - 1]) + b"".join(row[i:i + raw])
            i += raw
    descriptor = (8 if bits == 32 else 0) | (0x20 if top_first else 0)
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 10 if rle else 2, 0, 0, 0, 0, 0, width, height, bits, descriptor)
    return header + bytes(body)


def frame_set(stem, bits, rle, top_first, frames, levels, width=16, height=8):
    """The files of a set: frames numbered from 0001, each with its mipmap levels a, b, ..."""
    files = {}
    for frame in range(1, frames + 1):
        w, h = width, height
        for level in range(levels + 1):
            letter = "" if level == 0 else chr(ord("a") + level - 1)
            files[f"{stem}-{letter}{frame:04d}.tga"] = targa(w, h, bits, rle, top_first, frame * 10 + level)
            w, h = max(w // 2, 1), max(h // 2, 1)
    return files


# PNG kinds the Linux build reads: (name, colour type, bit depth, tRNS). Colour types: 0 grey,
# 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA.
PNG_KINDS = [("grey 1-bit", 0, 1, False), ("grey 8-bit", 0, 8, False), ("grey 16-bit", 0, 16, False),
             ("grey 8-bit with tRNS", 0, 8, True), ("RGB 8-bit", 2, 8, False), ("RGB 16-bit", 2, 16, False),
             ("RGB 8-bit with tRNS", 2, 8, True), ("RGB 16-bit with tRNS", 2, 16, True),
             ("palette 4-bit", 3, 4, False), ("palette 8-bit", 3, 8, False),
             ("palette 8-bit with tRNS", 3, 8, True), ("grey and alpha 8-bit", 4, 8, False),
             ("grey and alpha 16-bit", 4, 16, False), ("RGBA 8-bit", 6, 8, False), ("RGBA 16-bit", 6, 16, False)]


def png(width, height, colour, depth, trns, seed):
    """A PNG file of random samples, every row with filter 0; its tRNS names the first pixel's
    colour (or palette entry 0..3 transparent in steps), so that some pixels are transparent."""
    rng = random.Random(seed)
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    top = (1 << depth) - 1
    samples = [[rng.randint(0, top) for _ in range(width * channels)] for _ in range(height)]
    raw = b""
    for row in samples:
        if depth == 16:
            packed = b"".join(struct.pack(">H", v) for v in row)
        elif depth == 8:
            packed = bytes(row)
        else:
            bits = "".join(format(v, f"0{depth}b") for v in row)
            bits += "0" * (-len(bits) % 8)
            packed = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
        raw += b"\0" + packed
    chunks = [(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0))]
    if colour == 3:
        chunks.append((b"PLTE", bytes(rng.randint(0, 255) for _ in range(3 * (top + 1)))))
    if trns:
        if colour == 3:
            chunks.append((b"tRNS", bytes([0, 85, 170, 255])))
        else:
            chunks.append((b"tRNS", b"".join(struct.pack(">H", v) for v in samples[0][:channels])))
    chunks += [(b"IDAT", zlib.compress(raw)), (b"IEND", b"")]
    out = b"\x89PNG\r\n\x1a\n"
    for kind, data in chunks:
        out += struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return out


# Windows' device names, each spelt as a file's name in another way: any case, any extension,
# trailing dots or spaces, in a folder.
DEVICE_NAMES = ["con", "PRN", "Aux", "nul", "CONIN$", "conout$", "sub/nul", "aux.x.", "nul  ."] + \
               [f"{kind}{n}" for kind in ("com", "LPT") for n in range(1, 10)]


class Case:
    """Files to lay out, folders to make, and the commands to run there in order. A command is
    (tool, arguments, Windows arguments or None); outputs are compared after replacing each of
    the Windows spellings in `spellings` with the Linux one."""

    def __init__(self, name, files, commands, folders=(), spellings=()):
        self.name, self.files, self.commands, self.folders, self.spellings = name, files, commands, folders, spellings


def corpus(folder):
    if not os.path.isdir(folder):
        return []
    return [os.path.join(folder, n) for n in sorted(os.listdir(folder)) if n != "README.md"]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def makeqfb_fuzz_case(path):
    """An input of the whole-run fuzz target, laid out as it lays it out (see fuzz_makeqfb.cpp)."""
    shapes = [["t.tga"], ["t.tga", "t-a.tga", "t-b.tga"], ["t-0001.tga", "t-0002.tga"],
              ["t-0000.tga", "t-a0000.tga", "t-0001.tga", "t-a0001.tga"]]
    data = read(path)
    if not data:
        return None
    files, at = {}, 1
    for member in shapes[data[0] & 3]:
        if len(data) - at < 2:
            break
        declared = data[at] | data[at + 1] << 8
        at += 2
        files[member] = data[at:at + declared]
        at += len(files[member])
    fmt = ["1555", "4444", "565", "4444"][(data[0] >> 2) & 3]
    return Case(path, files, [("makeqfb", [fmt, str((data[0] >> 4) + 1), "t.tga"], None)])


def gifs():
    """Animated GIF files written by Pillow: three frames over a 12 x 9 screen, the later ones
    smaller than it, with a transparent index, each disposal method, interlaced and not."""
    from io import BytesIO
    from PIL import Image
    files = []
    for disposal in (0, 1, 2, 3):
        for interlace in (False, True):
            frames = []
            for n in range(3):
                frame = Image.new("P", (12, 9), 0)
                frame.putpalette([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255] + [40 * n, 30, 200] * 252)
                for y in range(2 + n, 7):
                    for x in range(1 + 2 * n, 9):
                        frame.putpixel((x, y), 1 + (x + y + n) % 3)
                frames.append(frame)
            out = BytesIO()
            frames[0].save(out, "GIF", save_all=True, append_images=frames[1:], duration=100, loop=0,
                           transparency=0, disposal=disposal, interlace=interlace, optimize=False)
            files.append(out.getvalue())
    return files


def cases(source):
    out = []
    corpus_dir, crashers = os.path.join(source, "fuzz", "corpus"), os.path.join(source, "tests", "data", "crashers")
    # Every kind of input to every format, read back by qfbinfo and checked by qfbprep.
    for bits in (24, 32):
        for rle in (False, True):
            for top_first in (False, True):
                files = frame_set("s", bits, rle, top_first, 2, 2)
                kind = f"{bits} bits, {'rle' if rle else 'raw'}, {'top' if top_first else 'bottom'} first"
                for fmt in FORMATS:
                    out.append(Case(f"set {kind} to {fmt}", files, [
                        ("makeqfb", [fmt, "12", "s.tga"], None), ("qfbinfo", ["s.qfb"], None),
                        ("qfbinfo", ["s.qfb", "--extract", "out"], None), ("qfbprep", ["check", "s.tga"], None)]))
                # Levels made, dithered into a folder and packed there, and packed in one step.
                files = frame_set("m", bits, rle, top_first, 2, 0)
                out.append(Case(f"prepared {kind}", files, [
                    ("qfbprep", ["mipmaps", "m.tga"], None), ("qfbprep", ["dither", "4444", "m.tga", "d"], None),
                    ("makeqfb", ["4444", "10", "d/m.tga"], None),
                    ("qfbprep", ["pack", "565", "10", "p.qfb", "m.tga", "--mipmaps", "--dither", "ordered"], None),
                    ("qfbprep", ["mipmaps", "m.tga"], None)], folders=["d"]))
    # PNG frames of every kind, packed and imported: the pixels as libspng gives them on Linux.
    for i, (kind, colour, depth, trns) in enumerate(PNG_KINDS):
        files = {f"p-{n}.png": png(7, 5, colour, depth, trns, i * 10 + n) for n in (1, 2)}
        out.append(Case(f"PNG frames, {kind}", files, [
            ("qfbprep", ["pack", FORMATS[i % 3], "12", "p.qfb", "p-1.png", "p-2.png"], None),
            ("qfbprep", ["import", "i.tga", "p-1.png", "p-2.png"], None)]))
    # A sprite sheet (a PNG file cut by --grid) and an Aseprite sprite (MinGW's static zlib).
    art = {n: read(os.path.join(source, "examples", n)) for n in ["glow_sheet.png", "glow.aseprite"]}
    out.append(Case("a sprite sheet and an Aseprite sprite", art, [
        ("qfbprep", ["pack", "4444", "10", "s.qfb", "glow_sheet.png", "--grid", "3x1"], None),
        ("qfbprep", ["pack", "565", "10", "a.qfb", "glow.aseprite"], None),
        ("qfbprep", ["pack", "4444", "10", "f.qfb", "glow_sheet.png", "glow.aseprite", "--grid", "3x1", "--tag", "fade"],
         None)]))
    # GIF frames (the Windows Imaging Component's decoder, the same compositor): each disposal, a
    # transparent index, frames smaller than the screen, interlaced and not.
    out.append(Case("GIF frames", {f"g{i}.gif": data for i, data in enumerate(gifs())}, [
        ("qfbprep", ["pack", "4444", "10", f"g{i}.qfb", f"g{i}.gif"], None) for i in range(len(gifs()))]))
    # Names in Greek, Cyrillic, CJK and emoji, for frames, the packed file and a folder.
    names = ["\u03a9\u03bc\u03ad\u03b3\u03b1", "\u0416\u0443\u043a", "\u96ea\u5c71", "\U0001f600"]
    files = {f"{n}-0001.tga": targa(8, 4, 32, False, False, i) for i, n in enumerate(names)}
    files.update({f"{n}-1.png": png(5, 3, 6, 8, False, i) for i, n in enumerate(names)})
    out.append(Case("names in Greek, Cyrillic, CJK and emoji", files, [
        command for n in names for command in
        (("makeqfb", ["565", "12", n + ".tga"], None), ("qfbinfo", [n + ".qfb", "--extract", n], None),
         ("qfbprep", ["pack", "4444", "12", n + "-p.qfb", n + "-1.png"], None))], folders=names))
    # Device names as inputs, read as missing files as on Linux (AUX would block if opened).
    out.append(Case("device names as inputs", {}, [
        command for name in DEVICE_NAMES for command in
        (("makeqfb", ["565", "12", name + ".tga"], None), ("qfbinfo", [name + ".qfb"], None))]))
    walk = {n: read(os.path.join(source, "examples", n)) for n in sorted(os.listdir(os.path.join(source, "examples")))
            if n.startswith("walk") and n.endswith(".tga")}
    for fmt in FORMATS:
        out.append(Case(f"example set to {fmt}", walk, [("makeqfb", [fmt, "12", "walk.tga"], None),
                                                         ("qfbinfo", ["walk.qfb"], None)]))
    # Names as Windows users give them: backslashes, a drive, a "." in a folder name.
    dotted = {"art.v2/" + n: b for n, b in walk.items()}
    out.append(Case("backslashes and a dot in a folder name", dotted, [
        ("makeqfb", ["565", "12", "art.v2/walk.tga"], ["565", "12", "art.v2\\walk.tga"]),
        ("qfbinfo", ["art.v2/walk.qfb", "--extract", "art.v2/out"], ["art.v2\\walk.qfb", "--extract", "art.v2\\out"]),
        ("qfbprep", ["check", "art.v2/out/walk.tga"], ["check", "art.v2\\out\\walk.tga"])],
        spellings=[("art.v2\\", "art.v2/"), ("out\\", "out/")]))
    out.append(Case("a drive letter", dotted, [("makeqfb", ["4444", "12", "@/art.v2/walk.tga"],
                                                ["4444", "12", "@win\\art.v2\\walk.tga"])],
                    spellings=[("@win\\art.v2\\", "@/art.v2/")]))
    out.append(Case("a folder, a missing folder and a missing set", walk, [
        ("makeqfb", ["565", "12", "art/"], None), ("makeqfb", ["565", "12", "nowhere/walk.tga"], None),
        ("qfbinfo", ["missing.qfb"], None), ("makeqfb", ["565", "12", "walk.tga"], None),
        ("qfbinfo", ["walk.qfb", "--extract", "no/such/folder"], None),
        ("qfbinfo", ["walk.qfb", "--extract", "x"], None), ("qfbinfo", ["walk.qfb", "--extract", "x"], None)],
        folders=["art"]))
    # The Targa test suite and the Targa reader's corpus and crashers, each file as a single image.
    hostile = corpus(os.path.join(source, "tests", "data", "tga-suite"))
    hostile += corpus(os.path.join(corpus_dir, "read_targa")) + corpus(os.path.join(crashers, "targa"))
    for i, path in enumerate(hostile):
        out.append(Case(path, {"t.tga": read(path)}, [("makeqfb", [FORMATS[i % 3], "12", "t.tga"], None)]))
    for path in corpus(os.path.join(corpus_dir, "makeqfb")) + corpus(os.path.join(crashers, "makeqfb")):
        case = makeqfb_fuzz_case(path)
        if case:
            out.append(case)
    # QFB files: the report, and the extraction of those the Linux report accepts.
    for path in corpus(os.path.join(corpus_dir, "qfbinfo")) + corpus(os.path.join(corpus_dir, "qfb")) + \
            corpus(os.path.join(crashers, "qfbinfo")):
        data = read(path)
        commands = [("qfbinfo", ["f.qfb"], None)]
        # Extracted when its header claims few levels: each is a file, and Wine makes files slowly.
        frames, mipmaps = struct.unpack("<ii", data[24:32]) if len(data) >= 32 else (0, 0)
        if 0 < frames * (mipmaps + 1) <= MAX_EXTRACTED:
            commands.append(("qfbinfo", ["f.qfb", "--extract", "x"], None))
        out.append(Case(path, {"f.qfb": data}, commands))
    # qfbprep's corpus: each input a Targa file, through one of its jobs.
    jobs = [["check", "s.tga"], ["mipmaps", "s.tga", "--levels", "3"], ["dither", "565", "s.tga", "d"]]
    for i, path in enumerate(corpus(os.path.join(corpus_dir, "qfbprep")) + corpus(os.path.join(crashers, "qfbprep"))):
        out.append(Case(path, {"s.tga": read(path)}, [("qfbprep", jobs[i % 3], None)], folders=["d"]))
    return out


def lay_out(folder, case):
    os.makedirs(folder)
    for name in case.folders:
        os.makedirs(os.path.join(folder, name), exist_ok=True)
    for name, data in case.files.items():
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def tree(folder):
    """Every file and folder under folder, with the bytes of each file."""
    found = {}
    for root, dirs, files in os.walk(folder):
        for d in dirs:
            found[os.path.relpath(os.path.join(root, d), folder) + "/"] = None
        for f in files:
            found[os.path.relpath(os.path.join(root, f), folder)] = read(os.path.join(root, f))
    return found


def windows_drive_path(folder):
    """folder as a Windows program under Wine names it: drive Z: is the Linux root."""
    return "Z:" + folder.replace("/", "\\")


def run(command, cwd, timeout=TIMEOUT):
    try:
        done = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
        return done.returncode, done.stdout, done.stderr
    except subprocess.TimeoutExpired:
        return "timed out", b"", b""


def refused_name(w_status, w_out, l_status, l_out):
    """Windows' one refusal that Linux has no cause for: a level whose mipmap letter ('|' past
    'z') no Windows file name may hold, refused before anything is written."""
    prefix, middle = b"Couldn't write Targa file ", b": a file name on this system cannot hold the character "
    if w_status != 1 or l_status != 0 or not w_out.startswith(prefix) or middle not in w_out:
        return False
    name = w_out[len(prefix):w_out.index(middle)]
    return w_out.count(b"\n") == 1 and b"|" in name and name + b":  Creating" in l_out


class Runner:
    """Runs the cases: the Linux tools one run at a time, the Windows tools either as programs
    under Wine (the cases whose names differ, and a few more) or, for the many, through the
    batch runner, in two processes at once."""

    def __init__(self, linux_bin, windows_bin, work, wine):
        self.linux_bin, self.windows_bin, self.work, self.wine = linux_bin, windows_bin, work, wine
        self.started = time.monotonic()

    def windows_command(self, tool, args):
        return [self.wine, os.path.join(self.windows_bin, tool + ".exe")] + args

    def check_all(self, all_cases, as_programs):
        runs = []  # per case: [(said, linux (status, out), windows (status, out, err))]
        batches = [[], []]
        for index, case in enumerate(all_cases):
            base = os.path.join(self.work, f"case-{index}")
            linux, windows = os.path.join(base, "linux"), os.path.join(base, "windows")
            shutil.rmtree(base, ignore_errors=True)
            lay_out(linux, case)
            lay_out(windows, case)
            case_runs = []
            for tool, args, windows_args in case.commands:
                l_args = [a.replace("@", linux) for a in args]
                w_args = [a.replace("@win", windows_drive_path(windows)).replace("@", windows)
                          for a in (windows_args if windows_args is not None else args)]
                l_status, l_out, _ = run([os.path.join(self.linux_bin, tool)] + l_args, linux)
                case_runs.append([f"{tool} {' '.join(w_args)}", (l_status, l_out), None, tool, w_args])
                if not as_programs(case):
                    batches[index % 2].append((index, len(case_runs) - 1, windows, tool, w_args))
            runs.append(case_runs)
        print(f"Linux side: {time.monotonic() - self.started:.0f} s", flush=True)
        # The Windows side: the programs, case by case, then the two batches at once.
        for index, case in enumerate(all_cases):
            if as_programs(case):
                windows = os.path.join(self.work, f"case-{index}", "windows")
                for r in runs[index]:
                    r[2] = run(self.windows_command(r[3], r[4]), windows)
                    # A program that ends with a failure and not a byte said never reached the
                    # tool, which speaks on every failure: Wine failed to start it (seen once in
                    # many runs on a loaded machine). It is started once more.
                    if r[2][0] != 0 and r[2][1] == b"" and r[2][2] == b"":
                        r[2] = run(self.windows_command(r[3], r[4]), windows)
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            results = list(pool.map(lambda b: self.run_batch(b[0], b[1]), enumerate(batches)))
        for batch, result in zip(batches, results):
            for (index, at, _, _, _), outcome in zip(batch, result):
                runs[index][at][2] = outcome
        return [self.compare(index, case, runs[index]) for index, case in enumerate(all_cases)]

    def run_batch(self, number, batch):
        """Runs a batch through windows_batch.exe; the outcome of each of its runs."""
        folder = os.path.join(self.work, f"batch-{number}")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        with open(os.path.join(folder, "list"), "wb") as f:
            for _, _, windows, tool, w_args in batch:
                f.write("\x1f".join([windows_drive_path(windows), tool] + w_args).encode() + b"\n")
        status, out, err = run([self.wine, os.path.join(self.windows_bin, "windows_batch.exe"),
                                windows_drive_path(os.path.join(folder, "list")), windows_drive_path(folder)],
                               folder, timeout=TIMEOUT * 10)
        outcomes = []
        for i in range(len(batch)):
            try:
                outcomes.append((int(read(os.path.join(folder, f"{i}.status"))), read(os.path.join(folder, f"{i}.out")), b""))
            except (OSError, ValueError):
                outcomes.append((f"not run (the batch runner ended with {status}: {err[-300:]!r})", b"", b""))
        shutil.rmtree(folder, ignore_errors=True)
        return outcomes

    def compare(self, index, case, case_runs):
        """The problems of one case, as lines (none when both sides agree)."""
        base = os.path.join(self.work, f"case-{index}")
        linux, windows = os.path.join(base, "linux"), os.path.join(base, "windows")
        problems, refused = [], False
        for said, (l_status, l_out), (w_status, w_out, w_err), _, _ in case_runs:
            for w, l in case.spellings:
                w_out = w_out.replace(w.replace("@win", windows_drive_path(windows)).encode(),
                                      l.replace("@", linux).encode())
            w_out = w_out.replace(windows.encode(), linux.encode())
            if refused_name(w_status, w_out, l_status, l_out):
                refused = True
                break
            if w_status != l_status:
                problems.append(f"{said}: status {w_status} under Wine, {l_status} on Linux")
            if w_out != l_out:
                problems.append(f"{said}: output differs\n--- Linux:\n{l_out.decode('latin-1')}"
                                f"--- Windows:\n{w_out.decode('latin-1')}{w_err.decode('latin-1')}")
            if problems:
                break
        l_tree, w_tree = tree(linux), tree(windows)
        left = [n for n in w_tree if ".tmp" in n]
        if left:
            problems.append(f"temporary files left behind: {left}")
        if refused:
            l_tree = {n: d for n, d in l_tree.items() if not n.startswith("x/")}
        if not problems and l_tree != w_tree:
            names = sorted(set(l_tree) ^ set(w_tree)) or [n for n in sorted(l_tree) if l_tree[n] != w_tree[n]]
            problems.append(f"the folders differ afterwards: {names[:10]}")
        if not problems:
            shutil.rmtree(base, ignore_errors=True)
        return problems


def windows_only(runner, source):
    """What only the Windows build does: a name outside the code page taken from the program's
    own arguments, the sheet written by WIC (its pixels the Linux sheet's), the animation refused, and device names refused as outputs before anything is
    opened. The rows that a
    plain name serves run in one batch runner call."""
    base = os.path.join(runner.work, "windows-only")
    shutil.rmtree(base, ignore_errors=True)
    os.makedirs(os.path.join(base, "sub"))
    walk = os.path.join(source, "examples", "walk-0001.tga")
    shutil.copy(walk, os.path.join(base, "\u96ea-0001.tga"))
    for stem in ("w", "nul"):
        shutil.copy(walk, os.path.join(base, f"{stem}-0001.tga"))
    device = rb"\(the name is a device's on Windows \(CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9\), not a file's\)"
    # The program's own arguments: its manifest makes UTF-8 the code page they come in.
    as_programs = [(["makeqfb", "565", "12", "\u96ea.tga"], 0, None)]
    batched = [
        (["makeqfb", "565", "12", "w.tga"], 0, None),
        (["qfbinfo", "w.qfb", "--sheet", "w.png"], 0, None),
        (["qfbinfo", "w.qfb", "--animation", "w.webp"], 1,
         rb"Couldn't write WebP file w\.webp: this qfbinfo is built without libwebp and makes no animation\.\n"),
        # A set whose base is a device's name is read as on Linux; its output is refused.
        (["makeqfb", "4444", "12", "nul.tga"], 1, rb"(?s).*nul-0001\.tga:  Creating 4444.*\n"
         rb"Couldn't write file: nul\.qfb " + device + rb"\n"),
    ] + [(["qfbprep", "pack", "565", "12", name, "w.tga"], 1,
          rb"Couldn't write QFB file .*: the file could not be created " + device + rb"\.\n")
         for name in [n + ".qfb" for n in DEVICE_NAMES]]
    outcomes = runner.run_batch("windows-only", [(0, 0, base, tool, args) for (tool, *args), _, _ in batched])
    outcomes += [run(runner.windows_command(tool, args), base) for (tool, *args), _, _ in as_programs]
    problems = []
    for ((tool, *args), status, text), (got, out, err) in zip(batched + as_programs, outcomes):
        if got != status or (text is not None and not re.fullmatch(text, out)):
            problems.append(f"{tool} {' '.join(args)}: status {got}, said {out!r} {err!r}")
    # The sheet, written by WIC, decodes to the Linux sheet's pixels (its bytes may differ): both
    # are read back by the Linux qfbprep import.
    for command in (["qfbinfo", "w.qfb", "--sheet", "l.png"], ["qfbprep", "import", "l.tga", "l.png"],
                    ["qfbprep", "import", "s.tga", "w.png"]):
        run([os.path.join(runner.linux_bin, command[0])] + command[1:], base)
    if not os.path.exists(os.path.join(base, "s-0001.tga")) or \
            read(os.path.join(base, "s-0001.tga")) != read(os.path.join(base, "l-0001.tga")):
        problems.append("the sheet written under Wine does not decode to the Linux sheet's pixels")
    for name in ("l.png", "l-0001.tga", "s-0001.tga"):
        if os.path.exists(os.path.join(base, name)):
            os.remove(os.path.join(base, name))
    names = sorted(os.listdir(base))
    if names != sorted(["\u96ea-0001.tga", "\u96ea.qfb", "nul-0001.tga", "sub", "w-0001.tga", "w.png", "w.qfb"]):
        problems.append(f"files afterwards: {names}")
    if not problems:
        shutil.rmtree(base)
    return problems


def main():
    linux_bin, windows_bin, source, work = (os.path.abspath(a) for a in sys.argv[1:5])
    wine = shutil.which("wine")
    if wine is None or not os.path.exists(os.path.join(windows_bin, "makeqfb.exe")):
        print("skipped: Wine or the Windows build is missing (Debian: wine, wine64, g++-mingw-w64-x86-64-posix)")
        return SKIP
    os.makedirs(work, exist_ok=True)
    runner = Runner(linux_bin, windows_bin, work, wine)
    all_cases = cases(source)
    started = time.monotonic()
    # The programs themselves run the cases whose names differ and the example set; the batch
    # runner, the rest.
    programs = lambda case: case.spellings or case.name.startswith("example")
    failures = []
    for case, problems in zip(all_cases, runner.check_all(all_cases, programs)):
        if problems:
            failures.append(case.name)
            print(f"FAILED {case.name}:\n  " + "\n  ".join(problems))
    only = windows_only(runner, source)
    for problem in only:
        print(f"FAILED (Windows only) {problem}")
    passed = len(all_cases) - len(failures) + (0 if only else 1)
    print(f"{len(all_cases) + 1} cases in {time.monotonic() - started:.0f} s")
    print(f"{passed} passed, {len(failures) + (1 if only else 0)} failed")
    return 1 if failures or only else 0


if __name__ == "__main__":
    sys.exit(main())
