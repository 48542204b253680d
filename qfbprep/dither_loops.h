// The two loops behind dither_image, each giving exactly the same bytes: the portable one, and a
// vector one for x86-64 processors with AVX2, which keeps the four channels of a pixel of each of
// two images in one register. Both choose a channel's field by arithmetic, as choose_field does.
#pragma once

#include <cstdint>

#include "image.h"

// Values and errors in 1/256ths of an 8-bit step.
constexpr int32_t DITHER_ONE = 256;
constexpr int32_t DITHER_MAX_VALUE = 255 * DITHER_ONE;

// What the nearest field of `bits` bits (the lower on a tie) shows, once expanded by bit
// replication, for value taken within 0 .. DITHER_MAX_VALUE; error gets that value less what is
// shown. A field q of b bits shows q << (8 - b) | q >> (2b - 8), which is floor(q * M / 256) with
// M = 2^(16-b) + 2^(16-2b); q = floor((v - v / 2^b) / 2^(16-b)) is the nearest field or the one below
// it, so one comparison with the halfway point decides. A byte left as it is counts as 8 bits:
// its value, a whole step that never takes an error, shows as it is. The ends of the range show
// as they are, leaving no error.
inline int32_t choose_field(int32_t value, int bits, int32_t& error)
{
    const int32_t taken = value < 0 ? 0 : value > DITHER_MAX_VALUE ? DITHER_MAX_VALUE : value;
    const int low_bits = 16 - bits;
    const int32_t q = (taken - (taken >> bits)) & ~((1 << low_bits) - 1);  // q << (16 - b)
    const int32_t low_raw = q + (q >> bits);
    const int32_t low = low_raw & ~255, high = (low_raw + (1 << low_bits) + (1 << (low_bits - bits))) & ~255;
    const int32_t shown = taken > (low + high) / 2 ? high : low;
    error = taken - shown;
    return shown;
}

// The field width each byte of a pixel (blue, green, red, alpha) is dithered to in format (a
// QFB_FORMAT_ code), 8 for a byte left as it is: alpha is, without alpha or in 1555 (whose flag
// marks alpha 0) and 565.
void field_bits(int32_t format, bool with_alpha, int bits[4]);

void dither_portable(Image& image, int32_t format);

// Whether this processor can run dither_vector.
bool dither_vector_available();
// Dithers a, and b too when it is not null, which must then have a's size and depth; only where
// dither_vector_available() says so.
void dither_vector(Image& a, Image* b, int32_t format);
