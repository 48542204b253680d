"""The Pillow plugin: a QFB file opens as an image of its frames with its rate and levels, a
round trip (open, iterate, save, open) keeps every word of every level in every format, and a
file whose header does not match its size is refused before anything past the header is read."""

import io
import os
import struct

import pytest

import qfb
from conftest import pixels

Image = pytest.importorskip("PIL.Image")
ImageSequence = pytest.importorskip("PIL.ImageSequence")
import qfb.pillow  # noqa: E402

# (format, depth, width, height, frames, mipmaps)
FILES = [
    ("4444", 32, 12, 10, 3, 2),
    ("1555", 32, 7, 9, 2, 3),
    ("565", 24, 16, 4, 1, 2),
]


def written(folder, format, depth, width, height, count, mipmaps):
    """A QFB file of random pixels, its path and bytes."""
    mode = "RGBA" if depth == 32 else "RGB"
    frames = [[(width >> n, height >> n, pixels(width >> n, height >> n, depth, f * 7 + n), mode)
               for n in range(mipmaps + 1)] for f in range(count)]
    path = os.path.join(folder, "in.qfb")
    qfb.save(path, frames, format, 12)
    with open(path, "rb") as data:
        return path, data.read()


@pytest.mark.parametrize("shape", FILES, ids=[s[0] for s in FILES])
def test_open_and_round_trip(tmp_path, shape):
    path, data = written(str(tmp_path), *shape)
    f = qfb.open(data)
    with Image.open(path) as im:
        assert (im.format, im.mode, im.size) == ("QFB", "RGB" if f.format == "565" else "RGBA", (f.width, f.height))
        assert (im.n_frames, im.is_animated) == (f.frame_count, f.frame_count > 1)
        assert (im.info["fps"], im.info["duration"], im.info["mipmap_count"]) == (12, 1000 / 12, f.mipmap_count)
        frames, mipmaps = [], []
        for number, frame in enumerate(ImageSequence.Iterator(im)):
            assert frame.tell() == number
            rgba = f.expand(number)
            assert frame.convert("RGBA").tobytes() == bytes(rgba)
            frames.append(frame.copy())
            levels = [qfb.pillow.level_image(frame, n) for n in range(1, f.mipmap_count + 1)]
            assert [lv.size for lv in levels] == [(f.width >> n, f.height >> n) for n in range(1, f.mipmap_count + 1)]
            assert levels[-1].convert("RGBA").tobytes() == bytes(f.expand(number, f.mipmap_count))
            mipmaps.append(levels)
        assert len(frames) == f.frame_count
        with pytest.raises(EOFError):
            im.seek(f.frame_count)

        # Saved again from plain images, the levels given: the same words, so the same file.
        again = os.path.join(str(tmp_path), "again.qfb")
        frames[0].save(again, save_all=True, append_images=frames[1:], mipmaps=mipmaps, qfb_format=f.format, fps=12)
        with open(again, "rb") as out:
            assert out.read() == data
        # Saved straight from the opened file: its frames bring their levels, its format and rate.
        im.seek(1 if f.frame_count > 1 else 0)
        im.save(again, save_all=True)
        assert im.tell() == (1 if f.frame_count > 1 else 0)
        with open(again, "rb") as out:
            assert out.read() == data


def test_save_options(tmp_path):
    folder = str(tmp_path)
    red = Image.new("RGBA", (4, 4), (255, 0, 0, 128))
    # (save arguments, format, fps)
    rows = [
        ({}, "4444", 1),
        ({"qfb_format": "1555", "fps": 30}, "1555", 30),
        ({"duration": 40}, "4444", 25),
        ({"save_all": True, "append_images": [red, red], "duration": [100, 100, 100]}, "4444", 10),
    ]
    for arguments, format, fps in rows:
        target = os.path.join(folder, "out.qfb")
        red.save(target, **arguments)
        f = qfb.open(target)
        assert (f.format, f.fps, f.frame_count) == (format, fps, 1 + len(arguments.get("append_images", [])))
    Image.new("RGB", (4, 4)).save(os.path.join(folder, "rgb.qfb"))
    assert qfb.open(os.path.join(folder, "rgb.qfb")).format == "565"
    Image.new("L", (4, 4), 200).save(os.path.join(folder, "grey.qfb"), qfb_format="1555")
    assert qfb.open(os.path.join(folder, "grey.qfb")).expand(0)[:4] == bytes([206, 206, 206, 255])
    with pytest.raises(qfb.Error) as refused:
        Image.new("RGB", (4, 4)).save(os.path.join(folder, "no-alpha.qfb"), qfb_format="4444")
    assert refused.value.status == "QFB_NO_ALPHA"
    with pytest.raises(qfb.Error):
        qfb.pillow.level_image(red, 1)


class _HeaderOnly(io.FileIO):
    """A file that cannot be read past its QFB header."""

    def read(self, size=-1):
        if size is None or size < 0 or self.tell() + size > qfb.HEADER_SIZE:
            raise AssertionError("read past the header: %s bytes at %d" % (size, self.tell()))
        return super().read(size)


# (header fields: width, height, format, fps, frames, mipmaps; file size; status)
SPARSE = [
    ((64, 64, 2, 12, 2, 0), 3 << 30, "QFB_EXTRA_BYTES"),           # 3 GiB, 16 KiB of it called for
    ((32767, 32767, 0, 12, 3, 0), 3 << 30, "QFB_CUT_SHORT"),       # 6 GiB called for
]


@pytest.mark.parametrize("shape", SPARSE, ids=[s[2] for s in SPARSE])
def test_a_file_of_another_size_than_its_header_is_refused_before_its_pixels_are_read(tmp_path, shape):
    fields, size, status = shape
    path = str(tmp_path / "sparse.qfb")
    with open(path, "wb") as out:
        out.write(b".qfb" + struct.pack("<7i", 1, *fields))
        out.truncate(size)
    with _HeaderOnly(path) as guarded, pytest.raises(qfb.Error) as refused:
        Image.open(guarded)
    assert refused.value.status == status
