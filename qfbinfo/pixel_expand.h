// Expanding 16-bit QFB pixel words back to 8-bit blue, green, red and alpha by bit
// replication: a field's bits are repeated below themselves (a 5-bit v gives (v << 3) | (v >> 2),
// a 6-bit v gives (v << 2) | (v >> 4), a 4-bit v gives v * 17), so that truncating the result to
// the field width gives v back. The 1555 flag gives alpha 0 when set and 255 when clear; 565 has
// no alpha and gives 255.
#pragma once

#include <cstdint>

#include "output/pixel_format.h"

// One word; a format outside the three layouts gives opaque black.
void expand_word(uint16_t word, PixelFormat format, uint8_t bgra[4]);

// count little-endian words from words (2 x count bytes) into bgra (4 x count bytes).
void expand_row(const uint8_t* words, int32_t count, PixelFormat format, uint8_t* bgra);
