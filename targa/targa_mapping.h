// The mapping loader: an uncompressed Targa image's pixels read in place from a read-only
// memory mapping of its file, row by row top row first, with no copy in between; and the
// guarded walk over those rows that turns a file shrinking under the mapping into an error.
#pragma once

#include <cstddef>
#include <cstdint>

#include "targa/targa_error.h"

// One mapped image: owns the mapping and the file's descriptor, and releases both when it is
// destroyed or reset. Holds nothing until map_targa succeeds.
class MappedTarga {
public:
    MappedTarga() = default;
    ~MappedTarga() { reset(); }
    MappedTarga(const MappedTarga&) = delete;
    MappedTarga& operator=(const MappedTarga&) = delete;

    // Unmaps and closes whatever is held.
    void reset();
    bool is_mapped() const { return mapping_ != nullptr; }

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t bits_per_pixel() const { return bits_per_pixel_; }
    size_t row_bytes() const { return row_bytes_; }
    // The first byte of the row top_row rows below the top (0 <= top_row < height()), wherever
    // the file stores it. Reading it outside for_each_row is unguarded (see there).
    const uint8_t* row(int32_t top_row) const;

    // Called for every row, top row first: its pixels and its index from the top.
    using RowVisitor = void (*)(const uint8_t* row, int32_t top_row, void* context);
    // Calls visit for every row, with a handler for SIGBUS installed only for the walk. When the
    // file shrinks below the mapped pixels, touching a page past its new end raises SIGBUS and the
    // walk stops there; a cut inside the last page shows in the file's length after the walk.
    // Either way the result is TargaError::changed_while_reading (rows visited before then stay
    // written). visit must hold nothing that needs destroying, since it is left by a jump; a
    // SIGBUS raised outside the mapping goes to the handler there was before. One walk at a time:
    // not for use from several threads at once.
    TargaError for_each_row(RowVisitor visit, void* context) const;

private:
    friend TargaError map_targa(const char* name, size_t dest_size, MappedTarga& out, bool& use_loader);

    int fd_ = -1;
    void* mapping_ = nullptr;
    size_t mapping_bytes_ = 0;
    const uint8_t* pixels_ = nullptr;  // the first stored row
    size_t row_bytes_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t bits_per_pixel_ = 0;
    bool top_first_ = true;
    uint64_t pixels_end_ = 0;  // file offset just past the last pixel byte
};

// Maps the pixels of the image in name, after the checks read_targa makes (header, dest_size,
// colour map skipped, pixel data present), with the same refusals. Returns TargaError::none
// with use_loader false and out mapped, or the refusal (use_loader false, out empty), or
// TargaError::none with use_loader true and out empty when the image must go through
// read_targa instead: run-length data, no pixels at all, or a file that cannot be mapped (not a
// regular file, changed since it was checked, or mmap refused).
TargaError map_targa(const char* name, size_t dest_size, MappedTarga& out, bool& use_loader);
