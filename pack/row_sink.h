// The one way pixels reach a QFB file's bytes: rows of 24 or 32-bit pixels truncated to a level's
// 16-bit words, straight into the level's place. A Targa file's rows come from where they lie in
// the file; a decoded or worked-on image's rows from memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image.h"

struct RowSink {
    uint8_t* place;       // the level's bytes: row r starts at place + r x width x 2
    size_t width;         // pixels in a row
    int bytes_per_pixel;  // of the rows given: 3 or 4
    int32_t format;       // the QFB format of the words

    // count rows, packed one after another, as rows top_row on.
    void put(const uint8_t* rows, int32_t top_row, int32_t count) const;
    // One row, for TargaFile::visit_rows (context: the sink).
    static void put_row(const uint8_t* row, int32_t top_row, void* context);
};

// A whole image into place, as the words of format.
void put_image(const Image& image, int32_t format, uint8_t* place);
