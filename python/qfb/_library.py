"""libqfb through ctypes: finding and loading the shared library, and the declarations of the
calls, structures and enum names the package uses. Nothing of the format lives here beyond what
the C header declares: the status names and the file-size limit are asked of the library, and the
tests compare the rest with <qfb/qfb.h>.

The library is found in this order: the file named by the environment variable QFB_LIBRARY,
then libqfb.so.1 through the system's dynamic loader (LD_LIBRARY_PATH, the ldconfig cache and
the default folders), which finds the Debian package libqfb1 and an install run by ldconfig."""

import ctypes
import os

SONAME = "libqfb.so.1"
MAJOR_VERSION = 1

# <qfb/qfb.h>'s constants the package needs.
HEADER_SIZE = 32
FORMAT_1555, FORMAT_4444, FORMAT_565 = 0, 1, 2
ORDER_RGBA, ORDER_BGRA = 0, 1


class Header(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int32), ("height", ctypes.c_int32), ("format", ctypes.c_int32),
                ("fps", ctypes.c_int32), ("frame_count", ctypes.c_int32), ("mipmap_count", ctypes.c_int32)]


class File(ctypes.Structure):
    _fields_ = [("status", ctypes.c_int), ("header", Header), ("frame_size", ctypes.c_uint64),
                ("size", ctypes.c_uint64), ("data", ctypes.c_void_p)]


class Level(ctypes.Structure):
    _fields_ = [("frame", ctypes.c_int32), ("level", ctypes.c_int32), ("width", ctypes.c_int32),
                ("height", ctypes.c_int32), ("offset", ctypes.c_uint64), ("size", ctypes.c_uint64),
                ("pixels", ctypes.c_void_p)]


def _load():
    named = os.environ.get("QFB_LIBRARY")
    name = named or SONAME
    try:
        library = ctypes.CDLL(name)
    except OSError as error:
        where = "QFB_LIBRARY names " + named if named else SONAME + " was not found by the dynamic loader"
        raise ImportError("qfb: libqfb could not be loaded (%s: %s); install libqfb1, run ldconfig "
                          "after installing into a prefix, or set QFB_LIBRARY to the library's file"
                          % (where, error)) from error
    version = library.qfb_version()
    if version // 10000 != MAJOR_VERSION:
        raise ImportError("qfb: %s is libqfb version %d.%d.%d, not %d.x"
                          % (name, version // 10000, version // 100 % 100, version % 100, MAJOR_VERSION))
    return library, name


lib, path = _load()

_P = ctypes.POINTER
_declarations = {
    "qfb_version": (ctypes.c_int, []),
    "qfb_status_text": (ctypes.c_char_p, [ctypes.c_int]),
    "qfb_status_name": (ctypes.c_char_p, [ctypes.c_int]),
    "qfb_max_file_size": (ctypes.c_uint64, []),
    "qfb_format_name": (ctypes.c_char_p, [ctypes.c_int32]),
    "qfb_format_from_name": (ctypes.c_int, [ctypes.c_char_p, _P(ctypes.c_int32)]),
    "qfb_packed_format": (ctypes.c_int32, [ctypes.c_int32, ctypes.c_int]),
    "qfb_encode_pixels": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_size_t, ctypes.c_int, ctypes.c_int32,
                                         ctypes.c_void_p]),
    "qfb_encode_header": (None, [_P(Header), ctypes.c_void_p]),
    "qfb_parse": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_size_t, _P(File)]),
    "qfb_check": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_size_t, ctypes.c_uint64, _P(File)]),
    "qfb_layout": (ctypes.c_int, [_P(Header), _P(File)]),
    "qfb_get_level": (ctypes.c_int, [_P(File), ctypes.c_int32, ctypes.c_int32, _P(Level)]),
    "qfb_first_level": (ctypes.c_int, [_P(File), _P(Level)]),
    "qfb_next_level": (ctypes.c_int, [_P(File), _P(Level)]),
    "qfb_first_pixel_level": (ctypes.c_int, [_P(File), _P(Level)]),
    "qfb_next_pixel_level": (ctypes.c_int, [_P(File), _P(Level)]),
    "qfb_level_row": (ctypes.c_void_p, [_P(Level), ctypes.c_int32]),
    "qfb_expand_words": (None, [ctypes.c_void_p, ctypes.c_size_t, ctypes.c_int32, ctypes.c_int, ctypes.c_void_p]),
    "qfb_expand_words_gpu": (None, [ctypes.c_void_p, ctypes.c_size_t, ctypes.c_int32, ctypes.c_int,
                                    ctypes.c_void_p]),
    "qfb_expand_level": (ctypes.c_int, [_P(File), _P(Level), ctypes.c_int, ctypes.c_void_p, ctypes.c_size_t]),
    "qfb_expand_level_gpu": (ctypes.c_int, [_P(File), _P(Level), ctypes.c_int, ctypes.c_void_p, ctypes.c_size_t]),
}
for _name, (_result, _arguments) in _declarations.items():
    _function = getattr(lib, _name)
    _function.restype = _result
    _function.argtypes = _arguments


def _status_names():
    """The library's names of its statuses, numbered from 0 up to the first it has no name for."""
    names = []
    while True:
        name = lib.qfb_status_name(len(names))
        if name is None:
            return tuple(names)
        names.append(name.decode("ascii"))


# The names of qfb_status's values, in the order of their numbers, and the largest file a QFB
# writer makes (QFB_MAX_FILE_SIZE), as the library says.
STATUS_NAMES = _status_names()
STATUS = {name: number for number, name in enumerate(STATUS_NAMES)}
MAX_FILE_SIZE = lib.qfb_max_file_size()


def status_name(status):
    """The enum name of a status number ("QFB_CUT_SHORT"), or "QFB_STATUS_<n>" for a number the
    library has no name for."""
    return STATUS_NAMES[status] if 0 <= status < len(STATUS_NAMES) else "QFB_STATUS_%d" % status


def status_text(status):
    return lib.qfb_status_text(status).decode("utf-8", "replace")


def address(buffer):
    """The address of a buffer's first byte, for a call that only reads it, and the object that
    keeps that address valid. bytes and writable buffers are used in place; any other read-only
    buffer is copied once."""
    if isinstance(buffer, bytes):
        return ctypes.cast(ctypes.c_char_p(buffer), ctypes.c_void_p).value, buffer
    view = memoryview(buffer)
    if not view.c_contiguous:
        view = memoryview(view.tobytes())
    view = view.cast("B")
    if view.readonly:
        data = view.tobytes()
        return ctypes.cast(ctypes.c_char_p(data), ctypes.c_void_p).value, data
    if view.nbytes == 0:
        return None, view
    holder = (ctypes.c_char * view.nbytes).from_buffer(view)
    return ctypes.addressof(holder), holder
