// Alpha edges: the colour of fully transparent pixels filled from the nearest visible ones, so
// that bilinear filtering and mipmaps pull no dark fringe into a sprite's edge; a made mipmap
// level's alpha scaled so that as many of its pixels pass an alpha test as in the full-size
// level, so that an alpha-tested sprite keeps its shape in the distance; and alpha made all or
// nothing.
#pragma once

#include <cstdint>

#include "image.h"

// Gives every fully transparent pixel of a 32-bit image the colour of the visible pixels nearest
// to it, ring by ring: each pixel next to a filled one (of its 8 neighbours) takes the rounded mean
// colour of those neighbours filled before its ring. Alpha and visible pixels stay as they are;
// an image with no visible pixel, or without alpha, is left alone.
void bleed_colour(Image& image);

// The pixels of a 32-bit image whose alpha is at least threshold (none without alpha).
uint64_t pixels_covered(const Image& image, int32_t threshold);

// Scales the alpha of a 32-bit level so that the share of its pixels with alpha at least
// threshold (1 .. 255) comes as near as it can to covered out of total: every alpha a becomes
// min(255, a x threshold / cut), rounded down, for the cut whose pixels at or above it come
// nearest to that share (the lower cut on a tie).
void keep_coverage(Image& level, int32_t threshold, uint64_t covered, uint64_t total);

// Alpha below threshold becomes 0 (fully transparent), the rest 255 (opaque): for 1555, whose one
// bit keeps only alpha 0, and for sprites drawn with alpha testing. A 24-bit image has no alpha.
void threshold_alpha(Image& image, int32_t threshold);
