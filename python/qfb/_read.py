"""Reading: qfb.open, the checked file (qfb.File) and its levels (qfb.Level), over libqfb's
qfb_check, qfb_parse, qfb_get_level, the walk over the levels with pixels and the expansions.
The file's bytes are held once; a level's words are a view into them."""

import array
import ctypes
import os
import stat
import sys

from . import _library
from ._error import Error, check, refuse, system

_ORDERS = {"RGBA": _library.ORDER_RGBA, "BGRA": _library.ORDER_BGRA}
_INT32 = range(-2 ** 31, 2 ** 31)


def _int32(value, what):
    """value as a C int32: an index the library cannot be given (not an integer, or outside
    int32, which ctypes would wrap) is refused as the library refuses a level it does not have."""
    try:
        number = value.__index__()
    except (AttributeError, TypeError):
        refuse(_library.STATUS["QFB_BAD_ARGUMENT"], what, "%s must be an integer, not %r" % (what, value))
    if number not in _INT32:
        refuse(_library.STATUS["QFB_OUT_OF_RANGE"], "%s %d" % (what, number))
    return number


def _order(order):
    if order not in _ORDERS:
        refuse(_library.STATUS["QFB_BAD_ARGUMENT"], "order", "order must be 'RGBA' or 'BGRA', not %r" % (order,))
    return _ORDERS[order]


def _read_file(path):
    """The bytes of a file, after the header check on its first bytes and its size: a file the
    check refuses is refused before its pixels are read (a damaged header may claim gigabytes)."""
    name = os.fsdecode(path)
    try:
        fd = os.open(path, os.O_RDONLY | os.O_CLOEXEC | os.O_NONBLOCK)
    except OSError as error:
        raise system(error, name) from None
    try:
        info = os.fstat(fd)
        if not stat.S_ISREG(info.st_mode):
            raise Error(None, "not a regular file", name)
        size = info.st_size
        head = os.pread(fd, _library.HEADER_SIZE, 0)
        checked = _library.File()
        check(_library.lib.qfb_check(head, len(head), size, ctypes.byref(checked)), name)
        data = bytearray(size)
        view = memoryview(data)
        done = 0
        while done < size:
            got = os.readv(fd, [view[done:]])
            if got == 0:
                break
            done += got
        view.release()
        if done < size:  # cut short while it was read: what was read is checked as it is
            del data[done:]
        return data
    except OSError as error:
        raise system(error, name) from None
    finally:
        os.close(fd)


def open(source):  # noqa: A001 (qfb.open, the reading entry point)
    """A checked QFB file from a path (str or os.PathLike), a binary file object (read
    whole), or the file's bytes (bytes, bytearray, memoryview or any buffer, used in place
    without a copy when it is bytes or writable). Raises qfb.Error for a file libqfb refuses."""
    name = None
    if isinstance(source, (str, os.PathLike)):
        name = os.fsdecode(source)
        data = _read_file(source)
    elif hasattr(source, "read"):
        try:
            data = source.read()
        except OSError as error:
            raise system(error, getattr(source, "name", None)) from None
        if not isinstance(data, (bytes, bytearray)):
            refuse(_library.STATUS["QFB_BAD_ARGUMENT"], None, "the file object gave text, not bytes")
    else:
        data = source
    return File(data, name)


class File:
    """A QFB file libqfb has checked: the header's fields, its frames and their levels."""

    def __init__(self, data, name=None):
        try:
            pointer, self._holder = _library.address(data)
        except TypeError:
            refuse(_library.STATUS["QFB_BAD_ARGUMENT"], None,
                   "a QFB file is a path, a file object or bytes, not %s" % type(data).__name__)
        self._view = memoryview(data).cast("B").toreadonly() if not isinstance(self._holder, bytes) \
            else memoryview(self._holder)
        self.name = name
        self._file = _library.File()
        check(_library.lib.qfb_parse(pointer, self._view.nbytes, ctypes.byref(self._file)), name)
        header = self._file.header
        self.width, self.height = header.width, header.height
        self.format_code = header.format
        self.format = _library.lib.qfb_format_name(header.format).decode()
        self.fps = header.fps
        self.frame_count = header.frame_count
        self.mipmap_count = header.mipmap_count
        self.size = self._file.size
        self.frame_size = self._file.frame_size

    @property
    def data(self):
        """The whole file's bytes, read-only."""
        return self._view

    def __repr__(self):
        return "<qfb.File %s%d x %d %s, %d fps, %d frames, %d mipmaps>" % (
            repr(self.name) + " " if self.name else "", self.width, self.height, self.format, self.fps,
            self.frame_count, self.mipmap_count)

    def level(self, frame, level=0):
        """Level `level` (0 = full size) of frame `frame` (from 0)."""
        found = _library.Level()
        status = _library.lib.qfb_get_level(ctypes.byref(self._file), _int32(frame, "frame"),
                                            _int32(level, "level"), ctypes.byref(found))
        check(status, "frame %d level %d" % (frame, level))
        return Level(self, found)

    def levels(self):
        """Every level with pixels of every frame, in file order. Levels whose side has been
        halved to 0 are passed over (level() gives them): they hold nothing, and a file of 32
        bytes may claim millions of them."""
        current = _library.Level()
        more = _library.lib.qfb_first_pixel_level(ctypes.byref(self._file), ctypes.byref(current))
        while more:
            yield Level(self, current)
            current = _library.Level.from_buffer_copy(current)
            more = _library.lib.qfb_next_pixel_level(ctypes.byref(self._file), ctypes.byref(current))

    def expand(self, frame, level=0, order="RGBA", gpu=False):
        """The level's pixels as 8-bit RGBA (or BGRA), 4 bytes a pixel, rows top first: by bit
        replication, or with gpu=True as a GPU shows each field (round(v x 255 / max))."""
        return self.level(frame, level).expand(order, gpu)


class Level:
    """One level of one frame: frame, level, width, height, offset and size (bytes), and its
    words as stored."""

    __slots__ = ("file", "frame", "level", "width", "height", "offset", "size", "_level")

    def __init__(self, file, level):
        self.file = file
        self._level = level
        self.frame, self.level = level.frame, level.level
        self.width, self.height = level.width, level.height
        self.offset, self.size = level.offset, level.size

    def __repr__(self):
        return "<qfb.Level frame %d level %d: %d x %d>" % (self.frame, self.level, self.width, self.height)

    @property
    def data(self):
        """The level's bytes as stored (little-endian 16-bit words), a read-only view into the file."""
        return self.file._view[self.offset:self.offset + self.size]

    @property
    def words(self):
        """The level's words as 16-bit numbers: a view into the file on a little-endian machine, a
        byte-swapped copy on a big-endian one."""
        if sys.byteorder == "little":
            return self.data.cast("H")
        words = array.array("H", self.data.tobytes())
        words.byteswap()
        return memoryview(words)

    def expand(self, order="RGBA", gpu=False):
        """As File.expand: a bytearray of width x height x 4 bytes (empty for an empty level)."""
        order_code = _order(order)
        size = self.width * self.height * 4
        out = bytearray(size)
        if size == 0:
            return out
        target = (ctypes.c_char * size).from_buffer(out)
        expand = _library.lib.qfb_expand_level_gpu if gpu else _library.lib.qfb_expand_level
        status = expand(ctypes.byref(self.file._file), ctypes.byref(self._level), order_code, target, size)
        del target
        check(status, "frame %d level %d" % (self.frame, self.level))
        return out
