// Reduction of an image to the next mipmap level: half the width and half the height, rounded
// down, each pixel the average of a 2 x 2 block in linear light.
#pragma once

#include "image.h"

// The level below image: same depth, width / 2 x height / 2 (an odd last row or column is left
// out). Colour is decoded from sRGB to linear light, averaged with each pixel weighted by its
// alpha (a fully transparent pixel adds no colour; a block with no alpha at all is averaged
// plainly) and encoded back to the nearest sRGB value; alpha is averaged plainly, rounded.
Image halve_image(const Image& image);
