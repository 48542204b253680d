// The five pixel converters, select_converter and create_bitmap's dispatch (see pixel_convert.h).
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

// Two bytes of a pixel as first | second << 8. A memcpy load of a whole lane is what lets the
// compilers vectorise the 32-bit loops; assembling the value from bytes does not.
inline uint32_t load_le16(const uint8_t* bytes)
{
    uint16_t value;
    std::memcpy(&value, bytes, sizeof value);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap16(value);
#endif
    return value;
}

// The 24-bit loops write each word as its two bytes, low byte first, so that both compilers
// can keep every lane eight bits wide after splitting the three channels apart. In 1555 the low
// byte is green's low three field bits above blue's five, the high byte red's five above
// green's top two; in 565 the low byte is green's low three field bits above blue's five, the
// high byte red's five above green's top three.
QFB_TARGET_CLONES
void loop_1555_from_24(const uint8_t* __restrict source, uint8_t* __restrict dest, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t b = source[3 * i], g = source[3 * i + 1], r = source[3 * i + 2];
        dest[2 * i] = static_cast<uint8_t>(((g & 0x38u) << 2) | (b >> 3));
        dest[2 * i + 1] = static_cast<uint8_t>(((r & 0xF8u) >> 1) | (g >> 6));
    }
}

QFB_TARGET_CLONES
void loop_565_from_24(const uint8_t* __restrict source, uint8_t* __restrict dest, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t b = source[3 * i], g = source[3 * i + 1], r = source[3 * i + 2];
        dest[2 * i] = static_cast<uint8_t>(((g & 0x1Cu) << 3) | (b >> 3));
        dest[2 * i + 1] = static_cast<uint8_t>((r & 0xF8u) | (g >> 5));
    }
}

// The 1555 and 565 loops read a 4-byte pixel as two 16-bit halves, low = B | G << 8 and
// high = R | A << 8, and move each channel's top bits into place with one shift and one mask:
// (G >> 3) << 5 is bits 11-15 of the low half moved to bits 5-9, and so on.
QFB_TARGET_CLONES
void loop_1555_from_32(const uint8_t* __restrict source, uint16_t* __restrict dest, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t low = load_le16(source + 4 * i), high = load_le16(source + 4 * i + 2);
        // Set only for alpha exactly 0. A 16-bit compare, which g++ keeps in 16-bit lanes.
        const uint16_t flag = static_cast<uint16_t>(high) < 0x100u ? 0x8000u : 0u;
        dest[i] = to_le16(flag | ((high & 0xF8u) << 7) | ((low >> 6) & 0x03E0u) | ((low >> 3) & 0x001Fu));
    }
}

// In 4444 every output byte is two neighbouring source bytes' top nibbles: the low byte is
// G's above B's, the high byte A's above R's. So the loop runs over byte pairs.
QFB_TARGET_CLONES
void loop_4444_from_32(const uint8_t* __restrict source, uint8_t* __restrict dest, size_t count)
{
    for (size_t j = 0; j < 2 * count; ++j)
        dest[j] = static_cast<uint8_t>((source[2 * j] >> 4) | (source[2 * j + 1] & 0xF0u));
}

QFB_TARGET_CLONES
void loop_565_from_32(const uint8_t* __restrict source, uint16_t* __restrict dest, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t low = load_le16(source + 4 * i), high = load_le16(source + 4 * i + 2);  // A is masked away
        dest[i] = to_le16(((high & 0xF8u) << 8) | ((low >> 5) & 0x07E0u) | ((low >> 3) & 0x001Fu));
    }
}

// width x height in 64 bits, so no product overflows; a zero or negative side gives nothing.
size_t pixel_count(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0) return 0;
    return static_cast<size_t>(width) * static_cast<size_t>(height);
}

// The destination's words as bytes, for the loops that write a word's two bytes one by one.
uint8_t* as_bytes(uint16_t* words) { return reinterpret_cast<uint8_t*>(words); }

// The row functions of the converters: the loops above, on words.
void convert_1555_from_24(const uint8_t* source, uint16_t* dest, size_t count)
{
    loop_1555_from_24(source, as_bytes(dest), count);
}

void convert_565_from_24(const uint8_t* source, uint16_t* dest, size_t count)
{
    loop_565_from_24(source, as_bytes(dest), count);
}

void convert_1555_from_32(const uint8_t* source, uint16_t* dest, size_t count)
{
    loop_1555_from_32(source, dest, count);
}

void convert_4444_from_32(const uint8_t* source, uint16_t* dest, size_t count)
{
    loop_4444_from_32(source, as_bytes(dest), count);
}

void convert_565_from_32(const uint8_t* source, uint16_t* dest, size_t count)
{
    loop_565_from_32(source, dest, count);
}

const PixelConverter CONVERTER_1555_FROM_24 = {"Creating 1555 from 24bpp.\n", 3, convert_1555_from_24};
const PixelConverter CONVERTER_565_FROM_24 = {"Creating 565 from 24bpp.\n", 3, convert_565_from_24};
const PixelConverter CONVERTER_1555_FROM_32 = {"Creating 1555 from 32bpp.\n", 4, convert_1555_from_32};
const PixelConverter CONVERTER_4444_FROM_32 = {"Creating 4444 from 32bpp.\n", 4, convert_4444_from_32};
const PixelConverter CONVERTER_565_FROM_32 = {"Creating 565 from 32bpp.\n", 4, convert_565_from_32};

// Prints the converter's notice, then converts width x height pixels.
void run_converter(const PixelConverter& converter, const uint8_t* source, uint16_t* dest, int32_t width,
                   int32_t height)
{
    std::fputs(converter.notice, stdout);
    converter.convert(source, dest, pixel_count(width, height));
}

}  // namespace

void create_1555_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    run_converter(CONVERTER_1555_FROM_24, source, dest, width, height);
}

void create_565_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    run_converter(CONVERTER_565_FROM_24, source, dest, width, height);
}

void create_1555_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    run_converter(CONVERTER_1555_FROM_32, source, dest, width, height);
}

void create_4444_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    run_converter(CONVERTER_4444_FROM_32, source, dest, width, height);
}

void create_565_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    run_converter(CONVERTER_565_FROM_32, source, dest, width, height);
}

const PixelConverter* select_converter(int32_t bits_per_pixel, PixelFormat format)
{
    if (bits_per_pixel == 24) {
        switch (format) {
        case FORMAT_1555: return &CONVERTER_1555_FROM_24;
        case FORMAT_565: return &CONVERTER_565_FROM_24;
        default: return nullptr;
        }
    }
    // Every other depth is a 4-byte source.
    switch (format) {
    case FORMAT_1555: return &CONVERTER_1555_FROM_32;
    case FORMAT_4444: return &CONVERTER_4444_FROM_32;
    case FORMAT_565: return &CONVERTER_565_FROM_32;
    default: return nullptr;
    }
}

void create_bitmap(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height,
                   int32_t bits_per_pixel, PixelFormat format)
{
    const PixelConverter* converter = select_converter(bits_per_pixel, format);
    if (converter == nullptr) {
        std::printf("INTERNAL ERROR: Unhandled %dbpp format in create_bitmap.\n", bits_per_pixel == 24 ? 24 : 32);
        std::exit(1);
    }
    run_converter(*converter, source, dest, width, height);
}
