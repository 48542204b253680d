// The Targa file header: its 18 bytes field by field, the one header check that every reader
// makes on a file's bytes, and the header of the uncompressed files the tools write.
#pragma once

#include <cstddef>
#include <cstdint>

#include "targa_error.h"

constexpr int TARGA_HEADER_SIZE = 18;

// The first 18 bytes of a Targa file, field by field (16-bit fields little-endian).
struct TargaHeader {
    uint8_t id_length = 0;              // bytes of image ID after the header (skipped)
    uint8_t colour_map_type = 0;        // non-zero: a colour map follows the ID field
    uint8_t image_type = 0;             // 1, 2, 9 or 10 accepted
    uint16_t colour_map_first = 0;      // never used
    uint16_t colour_map_length = 0;     // entries in the colour map
    uint8_t colour_map_entry_size = 0;  // bits per colour map entry
    uint16_t x_origin = 0;              // never used
    uint16_t y_origin = 0;              // never used
    int32_t width = 0;                  // sign-extended from 16 bits
    int32_t height = 0;                 // sign-extended from 16 bits
    uint8_t pixel_depth = 0;            // 8, 16, 24 or 32 accepted
    uint8_t image_descriptor = 0;       // bits 0-3 alpha bits, bit 5 top row first
};

// Image descriptor bit: rows are stored top row first.
constexpr uint8_t TARGA_TOP_FIRST = 0x20;

// True for the run-length image types (9 and 10); 1 and 2 are stored uncompressed.
inline bool targa_is_rle(const TargaHeader& header) { return header.image_type == 9 || header.image_type == 10; }

// The header check on the first size bytes of a file, in this order: 18 bytes there (else
// truncated_header), pixel depth 8, 16, 24 or 32, alpha bits 0 or 8, image type 1, 2, 9 or 10,
// width and height below 32768, the image ID field within the file. A refusal is named by what
// the file is when that says what to do: another image format (by its signature), a greyscale
// image, 15 or 16-bit colour. header may hold part of the fields after a refusal.
TargaError check_targa_header(const uint8_t* data, size_t size, TargaHeader& header);

// The header of an uncompressed true-colour image of 24 or 32 bits as the tools write it: no ID,
// no colour map, top row first, 8 alpha bits at 32 bits.
void encode_targa_header(uint16_t width, uint16_t height, uint8_t bits_per_pixel, uint8_t out[TARGA_HEADER_SIZE]);
