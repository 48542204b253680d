// Reading the rows of a checked QFB file's levels from its stream, in the library's walk order:
// the stream reads on from one row to the next and seeks past the levels not asked for, so that
// memory is one row whatever the file's size.
#pragma once

#include <cstdint>

#include <qfb/qfb.h>

#include "targa/binary_file.h"

class QfbRows {
public:
    // file stands at the first pixel of the checked file (check_qfb_file).
    explicit QfbRows(BinaryFile& file) : file_(file) {}
    // Reads row `row` (0 = top) of level, width little-endian words, into words. False when the
    // read failed or came up short: the file changed after the check.
    bool read(const qfb_level& level, int32_t row, uint8_t* words);

private:
    BinaryFile& file_;
    uint64_t position_ = QFB_HEADER_SIZE;  // where the stream stands
    bool failed_ = false;
};
