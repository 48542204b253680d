"""qfb.save against makeqfb: the same pixels give the same bytes in every format from 24 and 32
bits, for a single image and for frames, with mipmap levels; what makeqfb's rules refuse is
refused with the library's status; the file is written atomically."""

import errno
import os
import stat

import pytest

import qfb
from conftest import makeqfb, pixels, write_set

PIL = pytest.importorskip("PIL.Image", reason="python3-pil is needed for the Pillow rows")

# (name, width, height, frames, mipmap levels, single image)
SHAPES = [
    ("single", 13, 7, 1, 2, True),
    ("frames", 16, 10, 3, 3, False),
    ("one-frame", 5, 3, 1, 0, False),
]


def make_frames(width, height, depth, count, mipmaps, seed):
    return [[(width >> level, height >> level, depth, pixels(width >> level, height >> level, depth, seed * 100 + f * 10 + level))
             for level in range(mipmaps + 1)] for f in range(count)]


def as_levels(frames, how):
    """The frames as qfb.save takes them: level tuples with or without their mode, or Pillow images."""
    out = []
    for frame in frames:
        levels = []
        for width, height, depth, rgb in frame:
            mode = "RGBA" if depth == 32 else "RGB"
            levels.append((width, height, rgb) if how == "tuple" else (width, height, memoryview(rgb), mode)
                          if how == "moded" else PIL.frombytes(mode, (width, height), rgb))
        out.append(levels)
    return out


@pytest.mark.parametrize("shape", SHAPES, ids=[s[0] for s in SHAPES])
@pytest.mark.parametrize("depth", [24, 32])
@pytest.mark.parametrize("format", ["1555", "4444", "565"])
def test_same_bytes_as_makeqfb(folder, shape, depth, format):
    name, width, height, count, mipmaps, single = shape
    frames = make_frames(width, height, depth, count, mipmaps, seed=depth + len(format))
    expected, transcript = makeqfb(format, 12, write_set(folder, "set", frames, single))
    if depth == 24 and format == "4444":
        # makeqfb packs 1555 with a warning; the library refuses 4444 without alpha, with its reason.
        assert "Using 1555 format instead" in transcript
        with pytest.raises(qfb.Error) as refused:
            qfb.save(os.path.join(folder, "py.qfb"), as_levels(frames, "tuple"), format, 12)
        assert refused.value.status == "QFB_NO_ALPHA"
        assert not os.path.exists(os.path.join(folder, "py.qfb"))
        format = "1555"
    for how in ("tuple", "moded", "pillow"):
        target = os.path.join(folder, "py-%s.qfb" % how)
        qfb.save(target, as_levels(frames, how), format, 12)
        with open(target, "rb") as written:
            assert written.read() == expected, how


def level(width, height, depth=32):
    return (width, height, bytes(width * height * depth // 8))


# (what is wrong, frames, format, fps, status)
REFUSALS = [
    ("no frames", [], "4444", 12, "QFB_BAD_FRAME_COUNT"),
    ("a frame without levels", [[]], "4444", 12, "QFB_BAD_FRAME_COUNT"),
    ("unknown format", [[level(2, 2)]], "888", 12, "QFB_BAD_FORMAT"),
    ("format written differently", [[level(2, 2)]], "4444 ", 12, "QFB_BAD_FORMAT"),
    ("fps 0", [[level(2, 2)]], "565", 0, "QFB_BAD_FPS"),
    ("fps beyond 32 bits", [[level(2, 2)]], "565", 2 ** 32 + 5, "QFB_BAD_FPS"),
    ("4444 without alpha", [[level(2, 2, 24)]], "4444", 12, "QFB_NO_ALPHA"),
    ("side too large", [[level(32768, 1)]], "565", 12, "QFB_SIDE_TOO_LARGE"),
    ("mipmap not half the level above", [[level(8, 8), level(4, 3)]], "565", 12, "QFB_BAD_ARGUMENT"),
    ("frame not the first's size", [[level(8, 8)], [level(8, 4)]], "565", 12, "QFB_BAD_ARGUMENT"),
    ("frame with fewer levels", [[level(8, 8), level(4, 4)], [level(8, 8)]], "565", 12, "QFB_BAD_ARGUMENT"),
    ("frame of another depth", [[level(8, 8)], [level(8, 8, 24)]], "565", 12, "QFB_BAD_ARGUMENT"),
    ("pixels of the wrong length", [[(2, 2, bytes(15))]], "565", 12, "QFB_BAD_ARGUMENT"),
    ("negative width", [[(-2, 2, b"")]], "565", 12, "QFB_BAD_ARGUMENT"),
    ("level that is not pixels", [["walk.tga"]], "565", 12, "QFB_BAD_ARGUMENT"),
    ("larger than a QFB file may be", [[(1024, 512, bytes(1024 * 512 * 3), "BGR")]] * 20, "565", 12,
     "QFB_BAD_ARGUMENT"),
]


@pytest.mark.parametrize("case", REFUSALS, ids=[r[0] for r in REFUSALS])
def test_refusals_leave_the_old_file(folder, case):
    _, frames, format, fps, status = case
    target = os.path.join(folder, "old.qfb")
    with open(target, "wb") as old:
        old.write(b"old")
    with pytest.raises(qfb.Error) as refused:
        qfb.save(target, frames, format, fps)
    assert refused.value.status == status
    assert str(refused.value)
    assert os.listdir(folder) == ["old.qfb"]
    with open(target, "rb") as old:
        assert old.read() == b"old"


def test_atomic_replacement(folder):
    frames = [[level(4, 4)]]
    old_umask = os.umask(0o027)
    try:
        made = os.path.join(folder, "new.qfb")
        qfb.save(made, frames, "4444", 1)
        assert stat.S_IMODE(os.stat(made).st_mode) == 0o640  # 0666 under the umask

        kept = os.path.join(folder, "kept.qfb")
        with open(kept, "wb"):
            pass
        os.chmod(kept, 0o604)
        qfb.save(kept, frames, "4444", 1)
        assert stat.S_IMODE(os.stat(kept).st_mode) == 0o604  # a replaced file keeps its permissions

        os.symlink("kept.qfb", os.path.join(folder, "link.qfb"))
        qfb.save(os.path.join(folder, "link.qfb"), [[level(2, 2)]], "565", 1)
        assert os.path.islink(os.path.join(folder, "link.qfb"))
        assert qfb.open(kept).format == "565"  # the file at the end of the link was replaced
    finally:
        os.umask(old_umask)

    for target, code in ((os.path.join(folder, "missing", "x.qfb"), errno.ENOENT), (folder, errno.EISDIR)):
        with pytest.raises(qfb.Error) as failed:
            qfb.save(target, frames, "4444", 1)
        assert failed.value.status is None and failed.value.errno == code
    assert sorted(os.listdir(folder)) == ["kept.qfb", "link.qfb", "new.qfb"]
