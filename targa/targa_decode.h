// The Targa decoder over a file's bytes in memory: from a checked header to where the pixels
// lie (the colour map read or skipped, the pixel data found within the bytes), then the rows, top
// row first, each pixel in the file's byte order: raw rows as they stand, run-length packets
// expanded one row at a time. Every refusal is a TargaError; nothing is read outside the bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "targa_error.h"
#include "targa_header.h"

// Size of a palette: 256 entries of red, green, blue.
constexpr size_t TARGA_PALETTE_BYTES = 256 * 3;

// A checked image and where its pixel data lies in the file's bytes.
struct TargaImage {
    TargaHeader header;
    uint64_t image_bytes = 0;        // width x height x bytes per pixel: what a destination receives
    const uint8_t* pixels = nullptr;  // the first byte of pixel data
    size_t available = 0;            // bytes from there to the end of the file
};

// After check_targa_header on the same bytes, the checks of loading, in this order: an image of
// more than dest_size bytes is refused (too_large_for_destination); a colour map is read into
// palette (red, green, blue, the entries past the map zeroed: only up to 256 entries of 24 bits,
// else colour_map_unsupported) or skipped when palette is null, and must lie within the bytes
// (colour_map_short); an image with pixels needs its pixel data to start within the bytes, and an
// uncompressed one all of its rows (pixel_data_short). A run-length image's data shows whether it
// is whole only while it is decoded.
TargaError locate_targa_pixels(const uint8_t* data, size_t size, const TargaHeader& header, size_t dest_size,
                               uint8_t* palette, TargaImage& out);

// Row top_row (0 = the top) of a located uncompressed image, where the file stores it.
const uint8_t* targa_raw_row(const TargaImage& image, int32_t top_row);

// Puts the located image's pixels into dest (image_bytes of room), top row first. A refusal
// (pixel_data_short, rle_packet_crosses_row) may leave the rows before it written.
TargaError decode_targa(const TargaImage& image, uint8_t* dest);

// Decodes run-length packets from source (source_size bytes available) into dest_row until
// pixel_count pixels of bytes_per_pixel (1 to 4) bytes are written. On success returns
// TargaError::none and sets consumed to the source bytes used (packet headers and pixels).
// Refuses, without reading or writing out of bounds, a packet that runs out of source
// (pixel_data_short) or that would run past pixel_count (rle_packet_crosses_row); consumed is
// then left unchanged and dest_row may hold part of the row.
TargaError decode_rle_row(uint8_t* dest_row, const uint8_t* source, size_t source_size, size_t pixel_count,
                          int bytes_per_pixel, size_t& consumed);

// Copies count pixels of bytes_per_pixel bytes in one block copy and advances both cursors.
void copy_pixels(size_t count, uint8_t*& dest, const uint8_t*& source, int bytes_per_pixel);
