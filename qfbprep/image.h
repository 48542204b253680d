// Image: one loaded Targa image (24 or 32 bits, top row first), read through the shared Targa
// loader, and its encoding as an uncompressed Targa file of the same depth.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "targa/targa_header.h"

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits_per_pixel = 32;  // 24 (blue, green, red) or 32 (blue, green, red, alpha)
    std::vector<uint8_t> pixels;  // width x height pixels, rows packed, top row first

    int32_t bytes_per_pixel() const { return bits_per_pixel / 8; }
    // The same width, height and depth.
    bool same_shape(const Image& other) const
    {
        return width == other.width && height == other.height && bits_per_pixel == other.bits_per_pixel;
    }
    uint8_t* row(int32_t y) { return pixels.data() + static_cast<size_t>(y) * width * bytes_per_pixel(); }
    const uint8_t* row(int32_t y) const
    {
        return pixels.data() + static_cast<size_t>(y) * width * bytes_per_pixel();
    }
};

// Loads a 24 or 32-bit Targa file. On a refusal prints one message naming the file and says
// what to do (another depth, a damaged file, an image larger than makeqfb packs) and returns false.
bool load_image(const char* name, Image& image);

// The header of the image's uncompressed Targa file (no ID, no colour map, top row first); the
// rows follow it as they are in pixels.
void encode_targa_header(const Image& image, uint8_t header[TARGA_HEADER_SIZE]);

// Prints the refusal of a file whose depth is neither 24 nor 32 bits.
void print_wrong_depth(const char* name, int32_t bits_per_pixel);
