// The greedy run-length row encoder (see rle_encode.h).
#include "tests/support/rle_encode.h"

#include <cstring>

namespace qfbtest {

void append_rle_row(std::vector<uint8_t>& out, const uint8_t* row, size_t pixel_count, size_t bytes_per_pixel)
{
    constexpr size_t MAX_PACKET = 128;  // a packet's count byte holds 1 to 128 pixels
    auto same = [&](size_t a, size_t b) {
        return std::memcmp(row + a * bytes_per_pixel, row + b * bytes_per_pixel, bytes_per_pixel) == 0;
    };
    size_t i = 0;
    while (i < pixel_count) {
        size_t run = 1;
        while (i + run < pixel_count && run < MAX_PACKET && same(i, i + run)) ++run;
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            out.insert(out.end(), row + i * bytes_per_pixel, row + (i + 1) * bytes_per_pixel);
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < pixel_count && raw < MAX_PACKET && !(i + raw + 1 < pixel_count && same(i + raw, i + raw + 1)))
            ++raw;
        out.push_back(static_cast<uint8_t>(raw - 1));
        out.insert(out.end(), row + i * bytes_per_pixel, row + (i + raw) * bytes_per_pixel);
        i += raw;
    }
}

}  // namespace qfbtest
