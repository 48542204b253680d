// Conversion of loaded 24-bit (B, G, R) or 32-bit (B, G, R, A) pixels into 16-bit words of a
// PixelFormat. Channels are truncated to their field width, never rounded. Each converter
// prints its one-line notice to standard output first, then writes width x height words, each
// stored little-endian, in source order. Source and destination must not overlap; the
// destination must have room for width x height words. A zero or negative dimension converts
// nothing (the notice is still printed).
#pragma once

#include <cstdint>

#include "output/pixel_format.h"

// Chooses the converter for (bits_per_pixel, format): 24 selects the 3-byte converters, any
// other depth the 4-byte ones. A combination without a converter (24 with 4444, or a format
// code outside 0-2) prints an "INTERNAL ERROR: ..." line and ends the process with status 1.
void create_bitmap(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height,
                   int32_t bits_per_pixel, PixelFormat format);

void create_1555_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
void create_565_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
// Bit 15 is set only where the source alpha is exactly 0.
void create_1555_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
void create_4444_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
// The alpha byte is read over and has no effect.
void create_565_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
