// The two loops behind dither_image, each giving exactly the same bytes: the portable one, which
// chooses fields from a table, and a vector one for x86-64 processors with AVX2, which keeps the
// four channels of a pixel of each of two images in one register and chooses fields by
// arithmetic.
#pragma once

#include <cstdint>
#include <vector>

#include "dither_choice.h"
#include "image.h"

// The fields of format (a QFB_FORMAT_ code) that dithering reduces, on an image with or without
// alpha; the bytes of a pixel not named are left as they are.
std::vector<DitherField> dithered_fields(int32_t format, bool with_alpha);

void dither_portable(Image& image, int32_t format);

// Whether this processor can run dither_vector.
bool dither_vector_available();
// Dithers a, and b too when it is not null, which must then have a's size and depth; only where
// dither_vector_available() says so.
void dither_vector(Image& a, Image* b, int32_t format);
