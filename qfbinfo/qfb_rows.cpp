// Reading a QFB file's rows (see qfb_rows.h).
#include "qfbinfo/qfb_rows.h"

#include <climits>

bool QfbRows::read(const qfb_level& level, int32_t row, uint8_t* words)
{
    const uint64_t size = static_cast<uint64_t>(level.width) * 2;
    const uint64_t offset = level.offset + static_cast<uint64_t>(row) * size;
    if (offset != position_) {
        // The stream seeks to 32-bit offsets: a file whose rows lie further is read on only.
        failed_ = failed_ || offset > INT32_MAX || file_.seek(static_cast<int32_t>(offset)) != 0;
        if (failed_) return false;
        position_ = offset;
    }
    file_.read(words, static_cast<int32_t>(size));
    position_ += size;
    failed_ = failed_ || file_.has_error() != 0 || static_cast<uint64_t>(file_.tell()) != position_;
    return !failed_;
}
