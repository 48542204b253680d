"""The QFB format for Pillow: `import qfb.pillow` registers it, so that Image.open reads QFB
files and Image.save writes them (through qfb.save's encoder).

Reading: mode RGBA (RGB for 565), one Pillow frame per QFB frame (n_frames, is_animated,
seek/tell, ImageSequence), each frame's full-size level; info["fps"], info["duration"] (1000 /
fps milliseconds), info["mipmap_count"] and info["qfb_format"]. level_image(im, n) gives mipmap
level n of the current frame as an image. Pixels are expanded by libqfb's bit replication.

Writing: im.save("x.qfb", qfb_format="4444", fps=12) writes one frame; save_all=True writes every
frame of im and of append_images=[...]; mipmaps=[[levels of frame 0], [levels of frame 1], ...]
gives each frame's reduced levels (a frame read from a QFB file brings its own when none are
given). Left out, qfb_format is im.info["qfb_format"], else 4444 for an image with alpha and
565 for one without; fps is duration's rate (in milliseconds a frame), else im.info["fps"], else
1. Pillow opens and truncates a named output itself before the plugin runs: qfb.save is the
atomic way to replace a file."""

import ctypes
import os

from PIL import Image, ImageFile, ImageSequence

from . import _library
from ._error import check, refuse
from ._read import File
from ._write import _ALPHA_MODES, save as _save_qfb

FORMAT = "QFB"
_MAGIC = b".qfb"
_DECODER = "qfb"


def _accept(prefix):
    return prefix[:4] == _MAGIC


def _checked_bytes(fp, name):
    """The file's bytes, read once libqfb has checked its header against its size: a file the
    check refuses (a damaged header, or a size other than the one the header implies) is refused
    before anything past its header is read, however large it is."""
    fp.seek(0, os.SEEK_END)
    size = fp.tell()
    fp.seek(0)
    head = fp.read(_library.HEADER_SIZE)
    checked = _library.File()
    check(_library.lib.qfb_check(head, len(head), size, ctypes.byref(checked)), name)
    return head + fp.read(size - len(head))


def _mode(file):
    return "RGB" if file.format_code == _library.FORMAT_565 else "RGBA"


class _Decoder(ImageFile.PyDecoder):
    """Expands one level (the tile's argument) through libqfb into the image."""

    _pulls_fd = True

    def decode(self, buffer):
        level = self.args[0]
        self.set_as_raw(bytes(level.expand("RGBA")), "RGBA" if self.mode == "RGBA" else "RGBX")
        return -1, 0


class QfbImageFile(ImageFile.ImageFile):
    format = FORMAT
    format_description = "QFB 16-bit frames"
    # Frames are loaded one after another; the file is closed with the image (as Pillow's
    # multi-frame plugins keep it, in _fp), though its bytes were read whole when it was opened
    # (after the check of its header against its size).
    _close_exclusive_fp_after_loading = False

    def _open(self):
        self._fp = self.fp
        name = self.filename or None
        self.qfb = File(_checked_bytes(self.fp, name), name)
        file = self.qfb
        if not file.width or not file.height:
            # Pillow has no empty images (it would take the file for an unknown one).
            refuse(_library.STATUS["QFB_BAD_DIMENSIONS"], None, "Pillow cannot hold an image of %d x %d pixels: "
                   "read the file with qfb.open" % (file.width, file.height))
        self.mode = _mode(file)
        self._size = (file.width, file.height)
        self.n_frames = file.frame_count
        self.is_animated = file.frame_count > 1
        self.info["fps"] = file.fps
        self.info["duration"] = 1000.0 / file.fps
        self.info["mipmap_count"] = file.mipmap_count
        self.info["qfb_format"] = file.format
        self._frame = 0
        self._set_tile()

    def _set_tile(self):
        self.tile = [(_DECODER, (0, 0) + self.size, 0, (self.qfb.level(self._frame, 0),))]

    # The bytes were read whole when the file was opened: loading reads nothing more.
    def load_seek(self, pos):
        pass

    def load_read(self, size):
        return b""

    def seek(self, frame):
        if not self._seek_check(frame):
            return
        self._frame = frame
        self._set_tile()

    def tell(self):
        return self._frame

    def level_image(self, level):
        """Mipmap level `level` (0 = full size) of the current frame, as a new image."""
        return level_image(self, level)


def level_image(im, level):
    """Level `level` (0 = full size, 1 .. info["mipmap_count"] reduced) of the current frame of
    an image opened from a QFB file, as a new image of the same mode."""
    if not isinstance(im, QfbImageFile):
        refuse(_library.STATUS["QFB_BAD_ARGUMENT"], None, "not an image opened from a QFB file")
    found = im.qfb.level(im.tell(), level)
    image = Image.new(im.mode, (found.width, found.height))
    if found.width and found.height:
        image.frombytes(bytes(found.expand("RGBA")), "raw", "RGBA" if im.mode == "RGBA" else "RGBX")
    image.info = dict(im.info)
    return image


def _levels(frame, index, given):
    """The levels of one frame to write: the image, then its mipmap levels (given, or the QFB
    file's own for a frame read from one)."""
    if given is not None:
        return [frame.copy()] + (list(given[index]) if index < len(given) else [])
    if isinstance(frame, QfbImageFile):
        return [level_image(frame, n) for n in range(frame.qfb.mipmap_count + 1)]
    # A frame of an image sequence is the image itself, moved on by the next seek: kept as a copy.
    return [frame.copy()]


def _options(im):
    info = im.encoderinfo
    format = info.get("qfb_format", im.info.get("qfb_format"))
    if format is None:
        alpha = im.mode in _ALPHA_MODES or (im.mode == "P" and "transparency" in im.info)
        format = "4444" if alpha else "565"
    fps = info.get("fps")
    duration = info.get("duration")
    if fps is None and duration is not None:
        duration = duration[0] if isinstance(duration, (list, tuple)) else duration
        fps = max(1, round(1000 / duration)) if duration > 0 else 1
    if fps is None:
        fps = im.info.get("fps", 1)
    return format, fps


def _save(im, fp, filename):
    format, fps = _options(im)
    given = im.encoderinfo.get("mipmaps")
    _save_qfb(fp, [_levels(im, 0, given)], format, fps)


def _save_all(im, fp, filename):
    format, fps = _options(im)
    given = im.encoderinfo.get("mipmaps")
    frames = []
    for source in [im] + list(im.encoderinfo.get("append_images", [])):
        start = source.tell() if hasattr(source, "tell") else None
        for frame in ImageSequence.Iterator(source):
            frames.append(_levels(frame, len(frames), given))
        if start is not None and hasattr(source, "seek"):
            source.seek(start)
    _save_qfb(fp, frames, format, fps)


Image.register_decoder(_DECODER, _Decoder)
Image.register_open(FORMAT, QfbImageFile, _accept)
Image.register_save(FORMAT, _save)
Image.register_save_all(FORMAT, _save_all)
Image.register_extension(FORMAT, ".qfb")
Image.register_mime(FORMAT, "image/x-qfb")
