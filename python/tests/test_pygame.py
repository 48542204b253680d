"""qfb.pygame on pygame itself (Debian's python3-pygame, SDL's dummy video driver): every word of
each format made into a surface, read back by pygame.image.tostring from the surface and from its
convert_alpha() copy in the display's 32-bit format, fields compared with libqfb's bit
replication (1555's words in a surface as stored must show wrong everywhere); every frame and
level of sets makeqfb packed, through frames(); the refusals."""

import ctypes

import pytest

pygame = pytest.importorskip("pygame")

import qfb  # noqa: E402
import qfb.pygame  # noqa: E402
from qfb import _library  # noqa: E402
from conftest import makeqfb, pixels, write_set  # noqa: E402

# Field widths of red, green, blue and alpha (565 has no alpha: 255 expected).
BITS = {"1555": (5, 5, 5, 1), "4444": (4, 4, 4, 4), "565": (5, 6, 5, 8)}


@pytest.fixture(scope="module", autouse=True)
def display():
    pygame.display.init()
    pygame.display.set_mode((1, 1))
    yield
    pygame.display.quit()


def wrong_pixels(format, got, want):
    """How many RGBA pixels of got show other fields than want's, a field of b bits compared as
    byte >> (8 - b)."""
    wrong = set()
    for channel, bits in enumerate(BITS[format]):
        table = bytes(v >> (8 - bits) for v in range(256))
        shown, held = got[channel::4].translate(table), want[channel::4].translate(table)
        if shown != held:
            wrong.update(i for i in range(len(shown)) if shown[i] != held[i])
    return len(wrong)


def every_word(format):
    """A file of one 256 x 256 level holding every word once, packed by qfb.encode from the words'
    own bit replication, which packs back to the same words."""
    words = bytes(b for w in range(65536) for b in (w & 255, w >> 8))
    rgba = bytearray(65536 * 4)
    out = (ctypes.c_char * len(rgba)).from_buffer(rgba)
    _library.lib.qfb_expand_words(words, 65536, _library.lib.qfb_format_code(format.encode()), _library.ORDER_RGBA, out)
    del out
    f = qfb.open(qfb.encode([[(256, 256, rgba, "RGBA")]], format, 12))
    assert bytes(f.level(0).data) == words
    return f


# format, masks (red, green, blue, alpha), 1555 put in as stored, pixels that must show wrong
EVERY_WORD = [
    ("565", (0xF800, 0x07E0, 0x001F, 0), False, 0),
    ("4444", (0x0F00, 0x00F0, 0x000F, 0xF000), False, 0),
    ("1555", (0x7C00, 0x03E0, 0x001F, 0x8000), False, 0),
    ("1555", (0x7C00, 0x03E0, 0x001F, 0x8000), True, 65536),
]


@pytest.mark.parametrize("format, masks, as_stored, wrong", EVERY_WORD,
                         ids=["565", "4444", "1555", "1555-as-stored"])
def test_every_word(format, masks, as_stored, wrong):
    f = every_word(format)
    if as_stored:
        surface = pygame.Surface((256, 256), pygame.SRCALPHA, 16, masks)
        surface.get_buffer().write(bytes(f.level(0).data), 0)
    else:
        surface = qfb.pygame.surface(f, 0, 0)
    assert (surface.get_bitsize(), surface.get_masks()) == (16, masks)
    assert bool(surface.get_flags() & pygame.SRCALPHA) == bool(masks[3])
    want = f.expand(0, 0)
    assert wrong_pixels(format, pygame.image.tostring(surface, "RGBA"), want) == wrong
    converted = surface.convert_alpha()
    assert converted.get_bitsize() == 32
    assert wrong_pixels(format, pygame.image.tostring(converted, "RGBA"), want) == wrong


# (format, depth, width, height, frames, mipmaps)
SETS = [
    ("4444", 32, 16, 8, 3, 2),
    ("565", 24, 13, 7, 2, 2),  # rows of odd widths, which pygame pads
    ("1555", 32, 9, 5, 2, 1),
]


@pytest.mark.parametrize("shape", SETS, ids=["%s-%d-%dx%d" % s[:4] for s in SETS])
def test_every_frame_and_level(folder, shape):
    format, depth, width, height, count, mipmaps = shape
    frames = [[(width >> n, height >> n, depth, pixels(width >> n, height >> n, depth, f * 10 + n))
               for n in range(mipmaps + 1)] for f in range(count)]
    base = write_set(folder, "set", frames, single=False)
    makeqfb(format, 15, base)
    path = base[:-4] + ".qfb"
    f = qfb.open(path)
    for level in range(mipmaps + 1):
        surfaces = qfb.pygame.frames(f, level)
        assert len(surfaces) == count
        for frame, surface in enumerate(surfaces):
            assert surface.get_size() == (width >> level, height >> level)
            assert wrong_pixels(format, pygame.image.tostring(surface, "RGBA"), f.expand(frame, level)) == 0
    by_path = qfb.pygame.surface(path, count - 1, mipmaps)
    assert wrong_pixels(format, pygame.image.tostring(by_path, "RGBA"), f.expand(count - 1, mipmaps)) == 0


def test_refusals(folder):
    base = write_set(folder, "set", [[(4, 2, 32, pixels(4, 2, 32, 1))]], single=True)
    makeqfb("4444", 15, base)
    f = qfb.open(base[:-4] + ".qfb")
    rows = [
        (lambda: qfb.pygame.surface(f, 1), "QFB_OUT_OF_RANGE"),
        (lambda: qfb.pygame.surface(f, 0, 1), "QFB_OUT_OF_RANGE"),
        (lambda: qfb.pygame.frames(f, -1), "QFB_OUT_OF_RANGE"),
        (lambda: qfb.pygame.surface(f, "0"), "QFB_BAD_ARGUMENT"),
        (lambda: qfb.pygame.surface(b".qfb" + bytes(40), 0), "QFB_BAD_VERSION"),
    ]
    for call, status in rows:
        with pytest.raises(qfb.Error) as refused:
            call()
        assert refused.value.status == status
