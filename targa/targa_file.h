// A Targa file opened once: its bytes taken whole (mapped where they can be), its header checked
// once, then its pixels located and read from those same bytes: raw rows in place, run-length
// rows decoded. read_targa_info and read_targa are this in one call each.
#pragma once

#include <cstddef>
#include <cstdint>

#include "file_bytes.h"
#include "targa_decode.h"
#include "targa_error.h"
#include "targa_header.h"

class TargaFile {
public:
    // Opens name and checks its header: the refusals of the probe.
    TargaError open(const char* name);
    const TargaHeader& header() const { return header_; }

    // The checks of loading (see locate_targa_pixels), after open.
    TargaError locate(size_t dest_size, uint8_t* palette = nullptr);
    const TargaImage& image() const { return image_; }

    // Puts the located image's pixels into dest, top row first.
    TargaError load(uint8_t* dest);

    // Calls visit for every row of a located uncompressed image, top row first, with the row's
    // pixels in place in the file's bytes. A file cut short meanwhile gives changed_while_reading
    // (rows visited before then stay done); visit must hold nothing that needs destroying.
    using RowVisitor = void (*)(const uint8_t* row, int32_t top_row, void* context);
    TargaError visit_rows(RowVisitor visit, void* context) const;

private:
    FileBytes bytes_;
    TargaHeader header_;
    TargaImage image_;
};

// Returns 0 and the geometry, or 1 (out-values untouched); *why (when non-null) gets the reason.
int read_targa_info(const char* name, int32_t* width_out, int32_t* height_out, int32_t* bits_per_pixel_out,
                    TargaError* why = nullptr);

// Loads the pixels top row first into dest (dest_size bytes of room), each pixel in the file's
// byte order (8-bit images give colour map indices). When palette (TARGA_PALETTE_BYTES) is
// non-null and the file has a colour map, the map is stored into it as red, green, blue and the
// entries past the map are zeroed; with a null palette a colour map is skipped.
// Returns 0 or 1; *why (when non-null) gets the reason. A refusal may leave partial rows in dest.
int read_targa(const char* name, uint8_t* dest, size_t dest_size, uint8_t* palette, TargaError* why = nullptr);
