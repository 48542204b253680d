// The five pixel converters and create_bitmap's dispatch (see pixel_convert.h).
//
// Each converter is one pass of shifts, masks and ors over contiguous memory, written so that
// g++ and clang++ vectorise it at -O3: __restrict pointers, a fixed source stride, no lookup
// table, no floating point, no branch in the loop body. On x86-64 every loop is built twice,
// for AVX2 and for the baseline, and the loader picks one when the program starts.
#include "output/pixel_convert.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// target_clones needs GNU indirect functions: x86-64 with glibc. Elsewhere the baseline loop
// is the only one. clang++ 14 can only call a cloned function from its own file, so the
// cloned loops below are static and the public converters call them.
#if defined(__x86_64__) && defined(__GLIBC__) && !defined(MAKEQFB_NO_TARGET_CLONES)
#define QFB_TARGET_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QFB_TARGET_CLONES
#endif

namespace {

// The words are little-endian in memory whatever the host's byte order.
inline uint16_t to_le16(uint32_t word)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return __builtin_bswap16(static_cast<uint16_t>(word));
#else
    return static_cast<uint16_t>(word);
#endif
}

// One 4-byte pixel as B | G << 8 | R << 16 | A << 24. A memcpy load is what lets clang++
// vectorise the 32-bit loops; assembling the value from bytes does not.
inline uint32_t load_bgra(const uint8_t* pixel)
{
    uint32_t value;
    std::memcpy(&value, pixel, sizeof value);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap32(value);
#endif
    return value;
}

QFB_TARGET_CLONES
void loop_1555_from_24(const uint8_t* __restrict source, uint16_t* __restrict dest, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t b = source[3 * i], g = source[3 * i + 1], r = source[3 * i + 2];
        dest[i] = to_le16(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
    }
}

QFB_TARGET_CLONES
void loop_565_from_24(const uint8_t* __restrict source, uint16_t* __restrict dest, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t b = source[3 * i], g = source[3 * i + 1], r = source[3 * i + 2];
        dest[i] = to_le16(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
    }
}

// In the 32-bit loops each field is the channel's top bits moved into place in one shift and
// one mask: (R >> 3) << 10 is bits 19-23 of the pixel value moved to bits 10-14, and so on.
QFB_TARGET_CLONES
void loop_1555_from_32(const uint8_t* __restrict source, uint16_t* __restrict dest, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = load_bgra(source + 4 * i);
        const uint32_t flag = (p >> 24) == 0 ? 0x8000u : 0u;  // set only for alpha exactly 0
        dest[i] = to_le16(flag | ((p >> 9) & 0x7C00u) | ((p >> 6) & 0x03E0u) | ((p >> 3) & 0x001Fu));
    }
}

QFB_TARGET_CLONES
void loop_4444_from_32(const uint8_t* __restrict source, uint16_t* __restrict dest, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = load_bgra(source + 4 * i);
        dest[i] = to_le16(((p >> 16) & 0xF000u) | ((p >> 12) & 0x0F00u) | ((p >> 8) & 0x00F0u) |
                          ((p >> 4) & 0x000Fu));
    }
}

QFB_TARGET_CLONES
void loop_565_from_32(const uint8_t* __restrict source, uint16_t* __restrict dest, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = load_bgra(source + 4 * i);  // alpha, bits 24-31, is masked away
        dest[i] = to_le16(((p >> 8) & 0xF800u) | ((p >> 5) & 0x07E0u) | ((p >> 3) & 0x001Fu));
    }
}

// width x height in 64 bits, so no product overflows; a zero or negative side gives nothing.
size_t pixel_count(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0) return 0;
    return static_cast<size_t>(width) * static_cast<size_t>(height);
}

}  // namespace

void create_1555_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    std::printf("Creating 1555 from 24bpp.\n");
    loop_1555_from_24(source, dest, pixel_count(width, height));
}

void create_565_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    std::printf("Creating 565 from 24bpp.\n");
    loop_565_from_24(source, dest, pixel_count(width, height));
}

void create_1555_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    std::printf("Creating 1555 from 32bpp.\n");
    loop_1555_from_32(source, dest, pixel_count(width, height));
}

void create_4444_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    std::printf("Creating 4444 from 32bpp.\n");
    loop_4444_from_32(source, dest, pixel_count(width, height));
}

void create_565_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    std::printf("Creating 565 from 32bpp.\n");
    loop_565_from_32(source, dest, pixel_count(width, height));
}

void create_bitmap(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height,
                   int32_t bits_per_pixel, PixelFormat format)
{
    if (bits_per_pixel == 24) {
        switch (format) {
        case FORMAT_1555: create_1555_from_24(source, dest, width, height); return;
        case FORMAT_565: create_565_from_24(source, dest, width, height); return;
        default: break;
        }
        std::printf("INTERNAL ERROR: Unhandled 24bpp format in create_bitmap.\n");
        std::exit(1);
    }
    // Every other depth is a 4-byte source.
    switch (format) {
    case FORMAT_1555: create_1555_from_32(source, dest, width, height); return;
    case FORMAT_4444: create_4444_from_32(source, dest, width, height); return;
    case FORMAT_565: create_565_from_32(source, dest, width, height); return;
    default: break;
    }
    std::printf("INTERNAL ERROR: Unhandled 32bpp format in create_bitmap.\n");
    std::exit(1);
}
