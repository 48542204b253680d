"""qfb.open against the C library's own reports on the same files: the header and every level's
place as qfbinfo prints them, the expanded pixels as qfbinfo --extract writes them, the words in
place; the package's names and numbers as <qfb/qfb.h> declares them; the refusals of calls."""

import errno
import io
import os
import re

import pytest

import qfb
from qfb import _library
from conftest import SOURCE_DIR, makeqfb, pixels, run, write_set, QFBINFO

# (format, depth, width, height, frames, mipmaps)
FILES = [
    ("4444", 32, 16, 8, 3, 2),
    ("565", 24, 13, 7, 2, 2),
    ("1555", 32, 9, 5, 1, 1),
    ("1555", 24, 6, 6, 2, 0),
]


def made(folder, format, depth, width, height, count, mipmaps):
    frames = [[(width >> n, height >> n, depth, pixels(width >> n, height >> n, depth, f * 10 + n))
               for n in range(mipmaps + 1)] for f in range(count)]
    return makeqfb(format, 15, write_set(folder, "set", frames, single=False))[0]


def report(path):
    """qfbinfo's header fields and level lines: {field: value}, [(frame, level, w, h, bytes, offset)]."""
    result = run(QFBINFO, path)
    assert result.returncode == 0, result.stdout
    fields, levels = {}, []
    for line in result.stdout.splitlines():
        numbers = re.fullmatch(r"\s*(\d+)\s+(\d+)\s+(\d+) x (\d+)\s+(\d+)\s+(\d+)", line)
        if numbers:
            levels.append(tuple(int(n) for n in numbers.groups()))
        elif line.split(None, 1)[0] in ("width", "height", "format", "fps", "frames", "mipmaps", "size"):
            name, value = line.split(None, 1)
            fields[name] = value.split()[0]
    return fields, levels


def extracted_bgra(folder, name):
    """The pixels of a 32-bit top-first Targa file qfbinfo --extract wrote."""
    with open(os.path.join(folder, name), "rb") as tga:
        data = tga.read()
    assert data[2] == 2 and data[16] == 32 and data[17] & 0x20
    return data[18 + data[0]:]


@pytest.mark.parametrize("shape", FILES, ids=["%s-%d-%dx%d" % s[:4] for s in FILES])
def test_as_the_library_reports(tmp_path, shape):
    folder = str(tmp_path)
    data = made(folder, *shape)
    path = os.path.join(folder, "set.qfb")
    fields, levels = report(path)
    out = os.path.join(folder, "out")
    assert run(QFBINFO, path, "--extract", out).returncode == 0

    with open(path, "rb") as handle:
        opened = [qfb.open(path), qfb.open(data), qfb.open(bytearray(data)), qfb.open(memoryview(data)[0:]),
                  qfb.open(io.BytesIO(data)), qfb.open(handle)]
    for f in opened:
        assert (f.width, f.height, f.format, f.fps, f.frame_count, f.mipmap_count, f.size) == (
            int(fields["width"]), int(fields["height"]), fields["format"], int(fields["fps"]),
            int(fields["frames"]), int(fields["mipmaps"]), int(fields["size"]))
        walked = [(lv.frame + 1, lv.level, lv.width, lv.height, lv.size, lv.offset) for lv in f.levels()]
        assert walked == levels
    f = opened[0]
    gpu_differs = False
    for frame, number, width, height, size, offset in levels:
        lv = f.level(frame - 1, number)
        assert bytes(lv.data) == data[offset:offset + size]
        assert lv.words.tolist() == [data[i] | data[i + 1] << 8 for i in range(offset, offset + size, 2)]
        assert lv.data.obj is f.data.obj  # a view into the file's one copy
        letter = chr(ord("a") + number - 1) if number else ""
        bgra = f.expand(frame - 1, number, order="BGRA")
        single = "set-%s.tga" % letter if letter else "set.tga"
        assert bytes(bgra) == extracted_bgra(out, single if f.frame_count == 1 else "set-%s%04d.tga" % (letter, frame))
        rgba = f.expand(frame - 1, number)
        assert rgba[0::4] == bgra[2::4] and rgba[2::4] == bgra[0::4] and rgba[1::2] == bgra[1::2]
        gpu_differs = gpu_differs or f.expand(frame - 1, number, gpu=True) != rgba
    # A GPU shows 4-bit and 1-bit fields as bit replication does; 5 and 6-bit ones not always.
    assert gpu_differs == (f.format != "4444")


def test_refused_calls(tmp_path):
    f = qfb.open(made(str(tmp_path), "4444", 32, 8, 8, 2, 1))
    # (call, status)
    calls = [
        (lambda: f.level(2, 0), "QFB_OUT_OF_RANGE"),
        (lambda: f.level(0, 2), "QFB_OUT_OF_RANGE"),
        (lambda: f.level(-1, 0), "QFB_OUT_OF_RANGE"),
        (lambda: f.level(2 ** 32, 0), "QFB_OUT_OF_RANGE"),  # not frame 0, as a 32-bit wrap would make it
        (lambda: f.level("0", 0), "QFB_BAD_ARGUMENT"),
        (lambda: f.expand(0, 0, order="ARGB"), "QFB_BAD_ARGUMENT"),
        (lambda: qfb.open(42), "QFB_BAD_ARGUMENT"),
        (lambda: qfb.open(b""), "QFB_TOO_SHORT"),
        (lambda: qfb.open(io.StringIO("text")), "QFB_BAD_ARGUMENT"),
    ]
    for call, status in calls:
        with pytest.raises(qfb.Error) as refused:
            call()
        assert refused.value.status == status
    # A file of 8 GiB (sparse) behind a sound header is refused from its header and size alone,
    # before its bytes are read.
    huge = str(tmp_path / "huge.qfb")
    with open(huge, "wb") as out:
        out.write(bytes(f.data[:qfb.HEADER_SIZE]))
        out.truncate(8 << 30)
    with pytest.raises(qfb.Error) as refused:
        qfb.open(huge)
    assert refused.value.status == "QFB_EXTRA_BYTES"
    for path, code in ((str(tmp_path / "missing.qfb"), errno.ENOENT), (str(tmp_path), None)):
        with pytest.raises(qfb.Error) as failed:
            qfb.open(path)
        assert (failed.value.status, failed.value.errno, failed.value.detail) == (None, code, path)


def test_names_and_numbers_as_the_header_declares():
    with open(os.path.join(SOURCE_DIR, "qfb", "include", "qfb", "qfb.h")) as header:
        text = header.read()
    enum = re.search(r"typedef enum qfb_status \{(.*?)\} qfb_status;", text, re.S).group(1)
    assert tuple(re.findall(r"^\s*(QFB_[A-Z_]+)", enum, re.M)) == _library.STATUS_NAMES
    for name in ("HEADER_SIZE", "MAX_FILE_SIZE"):
        assert int(re.search(r"#define QFB_%s (\d+)" % name, text).group(1)) == getattr(_library, name)
    for name, value in re.findall(r"QFB_(FORMAT_\w+|ORDER_\w+) = (\d+)", text):
        assert getattr(_library, name) == int(value)
    assert qfb.library_version()[0] == int(re.search(r"#define QFB_VERSION_MAJOR (\d+)", text).group(1))
