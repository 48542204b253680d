// Synthetic Targa files for the benchmarks: deterministic pixels with runs in them, and their
// encoding as uncompressed or run-length encoded files stored bottom-up or top-down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qfbbench {

using Bytes = std::vector<uint8_t>;

struct TargaShape {
    int32_t width;
    int32_t height;
    int32_t bits;    // 8, 16, 24 or 32; only 32 declares 8 alpha bits
    bool rle;        // image type 10 instead of 2
    bool top_first;  // descriptor bit 0x20
};

// width x height pixels of bits / 8 bytes, top row first: runs of 1 to 16 equal pixels, so
// that a run-length file holds both kinds of packet. The same seed gives the same pixels.
Bytes make_pixels(const TargaShape& shape, uint32_t seed);

// The whole file (18-byte header, no ID field, no colour map) for pixels laid out as
// make_pixels gives them. Run-length rows are encoded row by row.
Bytes encode_targa(const TargaShape& shape, const Bytes& pixels);

// Writes bytes to path, replacing any file there. False on any failure.
bool write_file(const std::string& path, const Bytes& bytes);

}  // namespace qfbbench
