"""QFB levels as pygame surfaces in their own 16-bit layouts: `import qfb.pygame`.

    import qfb, qfb.pygame
    f = qfb.open("walk.qfb")
    image = qfb.pygame.surface(f, 0, 1)        # frame 0, level 1: a 16-bit pygame.Surface
    frames = qfb.pygame.frames(f)              # every frame's full-size level, in order
    screen.blit(frames[pygame.time.get_ticks() * f.fps // 1000 % f.frame_count], (x, y))

A surface's masks are the format's fields, as libqfb describes them: 565 as stored (F800, 07E0,
001F); 4444 as stored (0F00, 00F0, 000F, F000); 1555 with its flag (set for a transparent pixel)
inverted by libqfb into an opaque bit (7C00, 03E0, 001F, 8000). Surfaces with alpha have
pygame.SRCALPHA set. Every failure raises qfb.Error."""

import ctypes
import sys

import pygame

from . import _library
from ._error import check
from ._read import File, open as _open

# libqfb's calls this module needs beyond the package's, declared on function objects of its own.
_TARGET_AS_STORED, _TARGET_ARGB1555 = 0, 3


class _Field(ctypes.Structure):
    _fields_ = [("shift", ctypes.c_uint8), ("bits", ctypes.c_uint8)]


_convert_level = _library.lib["qfb_convert_level"]
_convert_level.restype = ctypes.c_int
_convert_level.argtypes = [ctypes.POINTER(_library.File), ctypes.POINTER(_library.Level), ctypes.c_int,
                           ctypes.c_void_p, ctypes.c_size_t]
_format_fields = _library.lib["qfb_format_fields"]
_format_fields.restype = ctypes.POINTER(_Field)
_format_fields.argtypes = [ctypes.c_int32]


def _masks(format_code):
    """(red, green, blue, alpha) masks of a format's words, from libqfb's fields (listed blue, green,
    red, alpha)."""
    fields = _format_fields(format_code)
    blue, green, red, alpha = (((1 << fields[i].bits) - 1) << fields[i].shift for i in range(4))
    return red, green, blue, alpha


def _file(file):
    return file if isinstance(file, File) else _open(file)


def surface(file, frame, level=0):
    """Level `level` (0 = full size) of frame `frame` (from 0) as a new 16-bit pygame.Surface. file
    is a qfb.File, or anything qfb.open takes."""
    file = _file(file)
    found = file.level(frame, level)
    code = file.format_code
    masks = _masks(code)
    made = pygame.Surface((found.width, found.height), pygame.SRCALPHA if masks[3] else 0, 16, masks)
    if found.size == 0:
        return made
    words = bytearray(found.size)
    target = _TARGET_ARGB1555 if code == _library.FORMAT_1555 else _TARGET_AS_STORED
    holder = (ctypes.c_char * len(words)).from_buffer(words)
    status = _convert_level(ctypes.byref(file._file), ctypes.byref(found._level), target, holder, len(words))
    del holder
    check(status, "frame %d level %d" % (frame, level))
    if sys.byteorder == "big":  # pygame's 16-bit surfaces hold words in the machine's order
        words[0::2], words[1::2] = words[1::2], words[0::2]
    row, pitch = found.width * 2, made.get_pitch()
    pixels = made.get_buffer()
    if pitch == row:
        pixels.write(bytes(words), 0)
    else:  # rows padded to a multiple of 4 bytes
        for y in range(found.height):
            pixels.write(bytes(words[y * row:(y + 1) * row]), y * pitch)
    del pixels
    return made


def frames(file, level=0):
    """Level `level` of every frame, in order, as a list of surfaces (see surface)."""
    file = _file(file)
    return [surface(file, frame, level) for frame in range(file.frame_count)]
