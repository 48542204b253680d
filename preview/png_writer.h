// Writing an opaque RGB image as a PNG file with libspng, row by row, through the atomic writer.
// The same pixels always give the same bytes: no time stamp or other varying chunk.
#pragma once

#include <cstdint>
#include "atomic_file.h"

struct spng_ctx;

// Compression. A picture of up to PNG_SMALL_PIXELS pixels (the sheet of a set of a few small
// frames) is packed as tightly as zlib goes: level 9, each row's filter chosen among all five.
// A larger one is stored (zlib level 0, no filter): deflating tens of megapixels takes many
// times as long as drawing them, and a preview is made to be looked at, not kept.
constexpr uint64_t PNG_SMALL_PIXELS = uint64_t{1} << 20;

class PngRows {
public:
    // Starts the file `name`, width x height RGB pixels.
    PngRows(const char* name, int64_t width, int64_t height);
    ~PngRows();
    PngRows(const PngRows&) = delete;
    PngRows& operator=(const PngRows&) = delete;

    // Encodes the next row, width x 3 bytes, rows top first. False once anything has failed.
    bool row(const uint8_t* rgb);
    // After the last row: closes the file and renames it into place.
    WriteStatus finish();

private:
    AtomicFile file_;
    spng_ctx* ctx_ = nullptr;
    size_t row_size_;
    int64_t rows_left_;
    WriteStatus failure_ = WriteStatus::ok;
};
