// The one run-length row encoder behind every synthetic Targa file: the test fixtures, the
// benchmark frame sets and the fuzz seeds. Greedy: a run of two or more equal pixels becomes a
// run packet, anything else gathers into raw packets; no packet crosses the row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qfbtest {

// Appends the packets of one row of pixel_count pixels of bytes_per_pixel bytes to out.
void append_rle_row(std::vector<uint8_t>& out, const uint8_t* row, size_t pixel_count, size_t bytes_per_pixel);

}  // namespace qfbtest
