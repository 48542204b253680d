/* The encoder (see qfb.h): one loop for each pair of pixel size and format, each a pass of shifts,
 * masks and ors that gcc and clang vectorise (restrict pointers, a fixed stride, no table, no
 * branch), folding qfb_format.c's fields into a few operations a word (a test holds every loop to
 * them for every channel value). On x86-64 with glibc each is built for AVX2 and the baseline. */
#include <string.h>

#include "qfb/qfb.h"

/* clang 14 can only call a cloned function from its own file, so the cloned loops are static
 * and qfb_encode_pixels calls them. */
#include "qfb_target_clones.h"

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
#define QFB_SWAP16(v) ((uint16_t)__builtin_bswap16((uint16_t)(v)))
#else
#define QFB_SWAP16(v) ((uint16_t)(v))
#endif

/* Two bytes of a pixel as first | second << 8. A memcpy load of a whole lane is what lets the
 * compilers vectorise the 4-byte loops; assembling the value from bytes does not. */
static uint32_t load_le16(const uint8_t* bytes)
{
    uint16_t value;
    memcpy(&value, bytes, sizeof value);
    return QFB_SWAP16(value);
}

/* The 3-byte loops write each word as its two bytes, low byte first, so that both compilers can
 * keep every lane eight bits wide after splitting the three channels apart. In 1555 the low byte
 * is green's low three field bits above blue's five, the high byte red's five above green's top
 * two; in 565 the low byte is green's low three field bits above blue's five, the high byte red's
 * five above green's top three. */
QFB_TARGET_CLONES
static void loop_1555_from_3(const uint8_t* restrict source, uint8_t* restrict dest, size_t count)
{
    size_t i;
    for (i = 0; i < count; ++i) {
        const uint32_t b = source[3 * i], g = source[3 * i + 1], r = source[3 * i + 2];
        dest[2 * i] = (uint8_t)(((g & 0x38u) << 2) | (b >> 3));
        dest[2 * i + 1] = (uint8_t)(((r & 0xF8u) >> 1) | (g >> 6));
    }
}

QFB_TARGET_CLONES
static void loop_565_from_3(const uint8_t* restrict source, uint8_t* restrict dest, size_t count)
{
    size_t i;
    for (i = 0; i < count; ++i) {
        const uint32_t b = source[3 * i], g = source[3 * i + 1], r = source[3 * i + 2];
        dest[2 * i] = (uint8_t)(((g & 0x1Cu) << 3) | (b >> 3));
        dest[2 * i + 1] = (uint8_t)((r & 0xF8u) | (g >> 5));
    }
}

/* The 4-byte 1555 and 565 loops read a pixel as two 16-bit halves, low = B | G << 8 and
 * high = R | A << 8, and move each channel's top bits into place with one shift and one mask:
 * (G >> 3) << 5 is bits 11-15 of the low half moved to bits 5-9, and so on. */
QFB_TARGET_CLONES
static void loop_1555_from_4(const uint8_t* restrict source, uint16_t* restrict dest, size_t count)
{
    size_t i;
    for (i = 0; i < count; ++i) {
        const uint32_t low = load_le16(source + 4 * i), high = load_le16(source + 4 * i + 2);
        /* Set only for alpha exactly 0. A 16-bit compare, which gcc keeps in 16-bit lanes. */
        const uint16_t flag = (uint16_t)high < 0x100u ? 0x8000u : 0u;
        dest[i] = QFB_SWAP16(flag | ((high & 0xF8u) << 7) | ((low >> 6) & 0x03E0u) | ((low >> 3) & 0x001Fu));
    }
}

/* In 4444 every output byte is two neighbouring source bytes' top nibbles: the low byte is G's
 * above B's, the high byte A's above R's. So the loop runs over byte pairs. */
QFB_TARGET_CLONES
static void loop_4444_from_4(const uint8_t* restrict source, uint8_t* restrict dest, size_t count)
{
    size_t j;
    for (j = 0; j < 2 * count; ++j) dest[j] = (uint8_t)((source[2 * j] >> 4) | (source[2 * j + 1] & 0xF0u));
}

QFB_TARGET_CLONES
static void loop_565_from_4(const uint8_t* restrict source, uint16_t* restrict dest, size_t count)
{
    size_t i;
    for (i = 0; i < count; ++i) {
        const uint32_t low = load_le16(source + 4 * i), high = load_le16(source + 4 * i + 2); /* A masked away */
        dest[i] = QFB_SWAP16(((high & 0xF8u) << 8) | ((low >> 5) & 0x07E0u) | ((low >> 3) & 0x001Fu));
    }
}

qfb_status qfb_encode_pixels(const void* pixels, size_t count, int bytes_per_pixel, int32_t format, void* words)
{
    const uint8_t* in = (const uint8_t*)pixels;
    if (bytes_per_pixel != 3 && bytes_per_pixel != 4) return QFB_BAD_ARGUMENT;
    if (qfb_format_fields(format) == NULL) return QFB_BAD_FORMAT;
    if (bytes_per_pixel == 3 && format == QFB_FORMAT_4444) return QFB_NO_ALPHA;
    if (count == 0) return QFB_OK;
    /* The loops store whole words. */
    if (pixels == NULL || words == NULL || ((uintptr_t)words & 1u) != 0) return QFB_BAD_ARGUMENT;
    if (bytes_per_pixel == 3) {
        if (format == QFB_FORMAT_1555) loop_1555_from_3(in, (uint8_t*)words, count);
        else loop_565_from_3(in, (uint8_t*)words, count);
    } else if (format == QFB_FORMAT_1555) {
        loop_1555_from_4(in, (uint16_t*)words, count);
    } else if (format == QFB_FORMAT_4444) {
        loop_4444_from_4(in, (uint8_t*)words, count);
    } else {
        loop_565_from_4(in, (uint16_t*)words, count);
    }
    return QFB_OK;
}
