// Image: one image of a frame set (24 or 32 bits, top row first): read from a Targa file with
// makeqfb's refusals or from a PNG file, reduced to the next mipmap level, and written as an
// uncompressed Targa file of the same depth into its temporary file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files.h"
#include "targa.h"

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

// Why an image was not loaded.
struct LoadRefusal {
    enum Kind { none, unreadable, wrong_depth, too_large, mismatch } kind = none;  // mismatch: said by the caller
    const char* reason = nullptr;  // unreadable: what is wrong with the file
    uint64_t value = 0;            // wrong_depth: its bits per pixel; too_large: its bytes of pixels
};

// Opens a 24 or 32-bit Targa file with load_image's refusals and locates its pixels, for a caller
// that reads them from the file itself; shape gets the image's size and depth, no pixels.
LoadRefusal open_image(const char* name, TargaFile& file, Image& shape);

// Loads a 24 or 32-bit Targa file, opened once, and its image ID into id when that is not null.
// An image larger than a set's may be is refused before anything is allocated for it.
LoadRefusal load_image(const char* name, Image& image, std::string* id = nullptr);

// Decodes the PNG file name, whatever its colour type and depth, to 8-bit blue, green, red,
// alpha (a tRNS chunk gives alpha; 16-bit channels keep their top 8 bits) through libspng. The
// file is read whole, and its header checked against the limits before any pixel buffer is made.
LoadRefusal load_png(const char* name, Image& image);

// The level below image: same depth, width / 2 x height / 2 (an odd last row or column is left
// out), each pixel the average of a 2 x 2 block in linear light. Colour is decoded from sRGB to
// linear light, averaged with each pixel weighted by its alpha (a fully transparent pixel adds no
// colour; a block with no alpha at all is averaged plainly) and encoded back to the nearest sRGB
// value; alpha is averaged plainly, rounded.
Image halve_image(const Image& image);

// Alpha below threshold becomes 0 (fully transparent), the rest 255 (opaque): for 1555, whose one
// bit keeps only alpha 0, and for sprites drawn with alpha testing. A 24-bit image has no alpha.
void threshold_alpha(Image& image, int32_t threshold);

// The image as an uncompressed Targa file (the image ID id, at most 255 bytes; no colour map; top
// row first) into a new temporary file for name, finished and closed: out commits it. Prints
// nothing, shares nothing.
WriteStatus write_image(const std::string& name, const Image& image, AtomicFile& out, const std::string& id = {});
