// Conversion of loaded 24-bit (B, G, R) or 32-bit (B, G, R, A) pixels into 16-bit words of a
// PixelFormat. Channels are truncated to their field width, never rounded. Each converter
// prints its one-line notice to standard output first, then writes width x height words, each
// stored little-endian, in source order. Source and destination must not overlap; the
// destination must have room for width x height words. A zero or negative dimension converts
// nothing (the notice is still printed). select_converter hands out the same conversion one
// row at a time, with the notice left to the caller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "output/pixel_format.h"

// Chooses the converter for (bits_per_pixel, format): 24 selects the 3-byte converters, any
// other depth the 4-byte ones. A combination without a converter (24 with 4444, or a format
// code outside 0-2) prints an "INTERNAL ERROR: ..." line and ends the process with status 1.
// One converter: its notice and its conversion, which prints nothing.
struct PixelConverter {
    const char* notice;    // the line create_bitmap prints first, e.g. "Creating 565 from 24bpp.\n"
    size_t source_bytes;   // bytes of one source pixel: 3 or 4
    // Converts count pixels at source into count words at dest, as create_bitmap does.
    void (*convert)(const uint8_t* source, uint16_t* dest, size_t count);
};

// The converter create_bitmap uses for (bits_per_pixel, format), or nullptr for a combination
// without one (nothing is printed).
const PixelConverter* select_converter(int32_t bits_per_pixel, PixelFormat format);

void create_bitmap(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height,
                   int32_t bits_per_pixel, PixelFormat format);

void create_1555_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
void create_565_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
// Bit 15 is set only where the source alpha is exactly 0.
void create_1555_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
void create_4444_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
// The alpha byte is read over and has no effect.
void create_565_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
