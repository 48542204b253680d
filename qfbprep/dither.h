// Error-diffusion dithering of an image to the channel widths of a 16-bit pixel format, so that
// makeqfb's truncation of the result gives the dithered words. Serpentine Floyd-Steinberg per
// channel: the error passed on is the value wanted minus what the chosen field shows once expanded
// by bit replication (the format library's expansion); each chosen field is stored as its
// expanded 8-bit value, whose top bits are the field. Deterministic: integer arithmetic only.
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
// as they are, leaving no error. No branch: the loop runs it on eight channels at once.
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

// Dithers every channel of image in place to the widths of format (a QFB_FORMAT_ code, as
// qfb_packed_format gives it): 565 five, six and five bits; 4444 four bits each, alpha included;
// 1555 five bits each with alpha left exactly as it is (only alpha 0 matters there); 565 leaves
// alpha as it is too.
void dither_image(Image& image, int32_t format);

// Dithers a and b as dither_image does, together when they have the same size and depth: every
// pixel waits for the error of the one before it, so a second image comes almost free.
void dither_images(Image& a, Image& b, int32_t format);
