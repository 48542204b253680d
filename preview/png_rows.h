// The sheet's picture file: an opaque RGB image written as a PNG file row by row through the
// atomic writer, by libspng (png_rows_spng.cpp) or, on Windows, by the Windows Imaging Component
// (png_rows_wic.cpp). The same pixels always give the same bytes: no time stamp or other varying
// chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "files.h"

// A picture of up to this many pixels (the sheet of a set of a few small frames) is packed as
// tightly as the encoder goes. A larger one is stored (libspng: zlib level 0, no filter):
// deflating tens of megapixels takes many times as long as drawing them, and a preview is made
// to be looked at, not kept.
constexpr uint64_t PNG_SMALL_PIXELS = uint64_t{1} << 20;

class PngRows {
public:
    PngRows(const char* name, int64_t width, int64_t height);
    ~PngRows();
    PngRows(const PngRows&) = delete;
    PngRows& operator=(const PngRows&) = delete;
    // Encodes the next row, width x 3 bytes, rows top first. False once anything has failed.
    bool row(const uint8_t* rgb);
    // After the last row: closes the file and renames it into place.
    WriteStatus finish();

private:
    struct Encoder;  // the library's state
    AtomicFile file_;
    std::unique_ptr<Encoder> encoder_;
    size_t row_size_;
    int64_t rows_left_;
    WriteStatus failure_ = WriteStatus::ok;
};
