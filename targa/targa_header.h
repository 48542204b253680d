// The Targa file header, the one header check that the probe and the loader share, and the
// probe read_targa_info that reports an image's geometry without reading its pixels.
#pragma once

#include <cstdint>

#include "targa/binary_file.h"
#include "targa/targa_error.h"

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

// The shared header check: opens name in file, reads and checks the header and leaves the stream
// just past the image ID field. On a refusal the file is closed again and header may hold part
// of what was read. Returns TargaError::none when the header is acceptable.
TargaError check_targa_header(BinaryFile& file, const char* name, TargaHeader& header);

// Returns 0 and the geometry, or 1 (out-values untouched); *why (when non-null) gets the reason.
int read_targa_info(const char* name, int32_t* width_out, int32_t* height_out, int32_t* bits_per_pixel_out,
                    TargaError* why = nullptr);
