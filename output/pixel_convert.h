// makeqfb's five converters of loaded 24-bit (B, G, R) or 32-bit (B, G, R, A) pixels into 16-bit
// words of a PixelFormat, on the format library's encoder: each prints its one-line notice to
// standard output first, then writes width x height words, each stored little-endian, in source
// order, every channel truncated. The destination must have room for width x height words and
// not overlap the source; a zero or negative dimension converts nothing (the notice is still
// printed). select_converter hands out the same conversion for rows, the notice left to the caller.
#pragma once

#include <cstddef>
#include <cstdint>

#include <qfb/qfb.h>

// makeqfb's name for a 16-bit layout's code, as chosen on the command line and stored in the
// QFB header (the codes, names and fields are the format library's).
enum PixelFormat : int32_t { FORMAT_1555 = QFB_FORMAT_1555, FORMAT_4444 = QFB_FORMAT_4444, FORMAT_565 = QFB_FORMAT_565 };

// One converter: its notice, its source pixel size, and its format.
struct PixelConverter {
    const char* notice;   // the line create_bitmap prints first, e.g. "Creating 565 from 24bpp.\n"
    int source_bytes;     // bytes of one source pixel: 3 or 4
    PixelFormat format;
    // Converts count pixels at source into count words at dest (2-byte aligned), printing nothing.
    void convert(const uint8_t* source, uint16_t* dest, size_t count) const;
};

// The converter for (bits_per_pixel, format): 24 selects the 3-byte converters, any other depth
// the 4-byte ones; nullptr for a combination without one (24 with 4444, or a format code outside
// 0-2). Nothing is printed.
const PixelConverter* select_converter(int32_t bits_per_pixel, PixelFormat format);

// Converts with select_converter's choice. A combination without a converter prints an
// "INTERNAL ERROR: ..." line and ends the process with status 1.
void create_bitmap(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height,
                   int32_t bits_per_pixel, PixelFormat format);

void create_1555_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
void create_565_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
// Bit 15 is set only where the source alpha is exactly 0.
void create_1555_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
void create_4444_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
// The alpha byte is read over and has no effect.
void create_565_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
