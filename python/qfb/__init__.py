"""qfb: reading and writing QFB files (16-bit 1555, 4444 or 565 animation frames with mipmap
levels) over libqfb, the format's C library, loaded through ctypes.

    import qfb
    f = qfb.open("walk.qfb")           # or qfb.open(data) for the file's bytes
    f.width, f.height, f.format, f.fps, f.frame_count, f.mipmap_count
    level = f.level(0, 1)               # frame 0, level 1: width, height, words, data
    rgba = f.expand(0, 1)               # 8-bit RGBA by bit replication (gpu=True: as a GPU shows it)
    qfb.save("out.qfb", [[image, half]], "4444", 12)

Every failure raises qfb.Error, with the library's status name and text. `import qfb.pillow`
registers the format with Pillow."""

from ._error import Error
from ._library import MAX_FILE_SIZE, HEADER_SIZE, path as library_path
from ._read import File, Level, open
from ._write import encode, save

__version__ = "1.0.0"


def library_version():
    """The version of the linked libqfb as (major, minor, patch)."""
    from ._library import lib
    version = lib.qfb_version()
    return version // 10000, version // 100 % 100, version % 100


__all__ = ["Error", "File", "Level", "open", "encode", "save", "library_version", "library_path",
           "MAX_FILE_SIZE", "HEADER_SIZE"]
