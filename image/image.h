// Image: one image of a frame set in memory, 24 or 32 bits per pixel, rows packed top row first,
// each pixel in a Targa file's byte order (blue, green, red, then alpha). Every reader fills one;
// every step of packing (levels, alpha, dithering, encoding) works on one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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
