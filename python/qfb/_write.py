"""Writing: qfb.encode and qfb.save. The frames are checked by makeqfb's rules (every frame the
size, depth and level count of the first, each level half the one above, rounded down; at most
QFB_MAX_FILE_SIZE bytes), laid out by qfb_layout, the header checked by qfb_check and written by
qfb_encode_header, and every level encoded by qfb_encode_pixels, makeqfb's own encoder: the
same pixels give the same bytes as makeqfb."""

import ctypes
import operator
import os

from . import _atomic, _library
from ._error import check, refuse, system

_BAD_ARGUMENT = _library.STATUS["QFB_BAD_ARGUMENT"]
# Pillow modes that carry alpha: such an image is packed from RGBA, any other from RGB.
_ALPHA_MODES = {"RGBA", "RGBa", "LA", "La", "PA"}
# The channel orders a level's bytes may be given in, with their bytes a pixel.
_ORDERS = {"RGBA": 4, "RGB": 3, "BGRA": 4, "BGR": 3}


def _bgr(data, mode):
    """The pixels in Targa order (blue, green, red[, alpha]), as the encoder takes them."""
    if mode.startswith("B"):
        return data
    size = _ORDERS[mode]
    source = bytes(data)
    out = bytearray(source)
    out[0::size] = source[2::size]
    out[2::size] = source[0::size]
    return out


def _pillow_pixels(image):
    mode = image.mode
    if mode not in ("RGBA", "RGB"):
        alpha = mode in _ALPHA_MODES or (mode == "P" and "transparency" in image.info)
        image = image.convert("RGBA" if alpha else "RGB")
        mode = image.mode
    width, height = image.size
    return width, height, image.tobytes("raw", "BGRA" if mode == "RGBA" else "BGR"), _ORDERS[mode]


def _level_pixels(level, where):
    """(width, height, Targa-order bytes, bytes a pixel) of a level: a Pillow image, or a tuple
    (width, height, data) or (width, height, data, mode) with mode RGBA, RGB, BGRA or BGR (from
    the data's length when left out)."""
    if hasattr(level, "mode") and hasattr(level, "tobytes") and hasattr(level, "size"):
        return _pillow_pixels(level)
    if not isinstance(level, tuple) or len(level) not in (3, 4):
        refuse(_BAD_ARGUMENT, where, "a level is a Pillow image or (width, height, data[, mode]), not %s"
               % type(level).__name__)
    width, height, data = level[:3]
    try:
        width, height = operator.index(width), operator.index(height)
    except TypeError:
        width = -1
    if width < 0 or height < 0:
        refuse(_BAD_ARGUMENT, where, "width and height must be integers of at least 0, not %r and %r"
               % (level[0], level[1]))
    try:
        nbytes = memoryview(data).nbytes
    except TypeError:
        refuse(_BAD_ARGUMENT, where, "pixels must be bytes, not %s" % type(data).__name__)
    count = width * height
    if len(level) == 4:
        mode = level[3]
        if mode not in _ORDERS:
            refuse(_BAD_ARGUMENT, where, "mode must be RGBA, RGB, BGRA or BGR, not %r" % (mode,))
    else:
        mode = "RGB" if count and nbytes == count * 3 else "RGBA"
    if nbytes != count * _ORDERS[mode]:
        refuse(_BAD_ARGUMENT, where, "%d bytes of pixels, but %d x %d in %s takes %d"
               % (nbytes, width, height, mode, count * _ORDERS[mode]))
    return width, height, _bgr(data, mode), _ORDERS[mode]


def _frames(frames):
    """The frames as lists of levels; a single image or level tuple stands for a one-level frame."""
    if hasattr(frames, "mode") or isinstance(frames, (bytes, bytearray, str)):
        refuse(_BAD_ARGUMENT, "frames", "frames is a list of frames, each a list of levels")
    out = []
    for frame in frames:
        is_level = hasattr(frame, "mode") or (isinstance(frame, tuple) and frame and hasattr(frame[0], "__index__"))
        out.append([frame] if is_level else list(frame))
    return out


def _format_code(format):
    if isinstance(format, int) and _library.lib.qfb_format_name(format):
        return format
    if not isinstance(format, str):
        refuse(_library.STATUS["QFB_BAD_FORMAT"], "format %r" % (format,))
    code = ctypes.c_int32()
    check(_library.lib.qfb_format_from_name(format.encode(), ctypes.byref(code)), "format %r" % (format,))
    return code.value


def encode(frames, format, fps):
    """The bytes of the QFB file of frames (a list of frames, each a list of levels: full size
    first, then each mipmap level; see _level_pixels) in format ("1555", "4444" or "565") at fps,
    as a bytearray. Raises qfb.Error for what makeqfb or the library refuses."""
    code = _format_code(format)
    if not isinstance(fps, int) or not -2 ** 31 <= fps < 2 ** 31:
        refuse(_library.STATUS["QFB_BAD_FPS"], "fps %r" % (fps,))
    frames = _frames(frames)
    if not frames or not frames[0]:
        refuse(_library.STATUS["QFB_BAD_FRAME_COUNT"], "frames" if not frames else "frame 0",
               None if not frames else "a frame needs at least its full-size level")
    levels = []  # every level's pixels in file order
    first = None
    for f, frame in enumerate(frames):
        if first is not None and len(frame) != len(frames[0]):
            refuse(_BAD_ARGUMENT, "frame %d" % f, "%d levels, but the first frame has %d" % (len(frame), len(frames[0])))
        for index, level in enumerate(frame):
            where = "frame %d level %d" % (f, index)
            width, height, pixels, depth = _level_pixels(level, where)
            if first is None:
                first = (width, height, depth)
                # The encoder's verdict on the format for this depth: 4444 of pixels without alpha
                # is refused with the library's reason.
                check(_library.lib.qfb_encode_pixels(None, 0, depth, code, None), where)
            want = tuple(side >> index if index <= 31 else 0 for side in first[:2])
            if depth != first[2]:
                refuse(_BAD_ARGUMENT, where, "%d-bit pixels, but the first frame's are %d-bit" % (depth * 8, first[2] * 8))
            if (width, height) != want:
                refuse(_BAD_ARGUMENT, where, "%d x %d, but it must be %d x %d (%s)" % (
                    width, height, want[0], want[1], "the first frame's size" if index == 0 else "half the level above"))
            levels.append((f, index, pixels, width * height))

    header = _library.Header(first[0], first[1], code, fps, len(frames), len(frames[0]) - 1)
    head = (ctypes.c_uint8 * _library.HEADER_SIZE)()
    _library.lib.qfb_encode_header(ctypes.byref(header), head)
    layout = _library.File()
    check(_library.lib.qfb_layout(ctypes.byref(header), ctypes.byref(layout)))
    check(_library.lib.qfb_check(head, _library.HEADER_SIZE, layout.size, ctypes.byref(_library.File())))
    if layout.size > _library.MAX_FILE_SIZE:
        refuse(_BAD_ARGUMENT, None, "the file would have %d bytes, more than the %d a QFB file may have"
               % (layout.size, _library.MAX_FILE_SIZE))

    out = bytearray(layout.size)
    out[:_library.HEADER_SIZE] = bytes(head)
    holder = (ctypes.c_char * len(out)).from_buffer(out)
    base = ctypes.addressof(holder)
    place = _library.Level()
    for f, index, pixels, count in levels:
        check(_library.lib.qfb_get_level(ctypes.byref(layout), f, index, ctypes.byref(place)))
        if count:
            source, keep = _library.address(pixels)
            check(_library.lib.qfb_encode_pixels(source, count, first[2], code, base + place.offset),
                  "frame %d level %d" % (f, index))
            del keep
    del holder
    return out


def save(target, frames, format, fps):
    """Writes the QFB file of frames (as encode) to target: a path, written atomically (nothing
    is written unless everything is sound, and a failure leaves an existing file as it was), or
    a binary file object, given the bytes in one write."""
    data = encode(frames, format, fps)
    if hasattr(target, "write"):
        try:
            target.write(data)
        except OSError as error:
            raise system(error, getattr(target, "name", None)) from None
        return
    try:
        _atomic.write_atomically(target, data)
    except OSError as error:
        raise system(error, os.fsdecode(target)) from None
    except TypeError:
        refuse(_BAD_ARGUMENT, None, "the target is a path or a file object, not %s" % type(target).__name__)

