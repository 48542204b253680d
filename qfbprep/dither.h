// Error-diffusion dithering of an image to the channel widths of a 16-bit pixel format, so that
// makeqfb's truncation of the result gives the dithered words.
#pragma once

#include <cstdint>

#include "image.h"

// Dithers every channel of image in place to the widths of format (a QFB_FORMAT_ code, as
// qfb_packed_format gives it): 565 five, six and five bits; 4444 four bits each, alpha included;
// 1555 five bits each with alpha left exactly as it is (only alpha 0 matters there); 565 leaves
// alpha as it is too. Serpentine Floyd-Steinberg per channel: the error passed on is the value
// wanted minus what the chosen field shows once expanded by bit replication (the format
// library's expansion). Each chosen field is stored as its expanded 8-bit value, whose top bits
// are the field. Deterministic: integer arithmetic only.
void dither_image(Image& image, int32_t format);

// Dithers a and b as dither_image does, together when they have the same size and depth, which
// takes little more time than one of them alone.
void dither_images(Image& a, Image& b, int32_t format);
