"""Hostile files: every input of the format library's fuzz corpus and every saved QFB crasher is
opened by qfb.open and by Pillow; it is either accepted, as qfbinfo accepts it, with every level
with pixels within the file and expandable, the walk over them bounded by the file's size
whatever its header claims, or refused with qfb.Error and the status qfbinfo reports, and never
anything else."""

import glob
import os
import re

import pytest

import qfb
from conftest import QFBINFO, SOURCE_DIR, run

INPUTS = sorted(glob.glob(os.path.join(SOURCE_DIR, "fuzz", "corpus", "qfb", "*")) +
                glob.glob(os.path.join(SOURCE_DIR, "tests", "data", "crashers", "qfbinfo", "*")))
# Statuses qfbinfo reports in words of its own, with the numbers; every other as the library's text.
REPHRASED = {"QFB_SIDE_TOO_LARGE", "QFB_TOO_MANY_MIPMAPS", "QFB_TOO_MANY_FRAMES", "QFB_EXTRA_BYTES"}


def test_there_are_inputs():
    assert len(INPUTS) > 100


@pytest.mark.parametrize("path", INPUTS, ids=[os.path.basename(p)[:16] for p in INPUTS])
def test_accepted_or_refused_as_qfbinfo_does(path):
    try:
        f = qfb.open(path)
    except qfb.Error as error:
        assert error.status in qfb._library.STATUS_NAMES and error.detail == path
        result = run(QFBINFO, path)
        assert result.returncode == 1
        reason = re.fullmatch(r"Couldn't read QFB file .*?: (.*)\.\n", result.stdout).group(1)
        assert reason.startswith(error.text) or error.status in REPHRASED, (reason, error.text)
        with open(path, "rb") as data:
            head = data.read(4)
        if head == b".qfb":
            pillow_refuses(path, error.status)
        return
    assert run(QFBINFO, path).returncode == 0
    end = qfb.HEADER_SIZE
    for level in f.levels():
        assert level.offset == end and len(level.data) == level.size > 0
        assert len(level.expand(gpu=level.level % 2 == 1)) == level.width * level.height * 4
        end += level.size
    assert end == f.size == len(f.data)
    pillow_opens(path, f)


def pillow_refuses(path, status):
    image = pytest.importorskip("PIL.Image")
    import qfb.pillow  # noqa: F401
    with pytest.raises(qfb.Error) as refused:
        image.open(path)
    assert refused.value.status == status


def pillow_opens(path, f):
    image = pytest.importorskip("PIL.Image")
    import qfb.pillow  # noqa: F401
    if not f.width or not f.height:  # Pillow holds no empty image
        with pytest.raises(qfb.Error):
            image.open(path)
        return
    with image.open(path) as im:
        assert im.n_frames == f.frame_count
        for frame in range(min(f.frame_count, 4)):
            im.seek(frame)
            im.load()
