// The QFB header as the appenders write it (the format library checks it: qfb_test.cpp).
#include <vector>

#include <gtest/gtest.h>

#include "output/output_buffer.h"

namespace {

// 64 x 64, 565, 15 fps, two frames, no mipmaps.
const std::vector<uint8_t> SAMPLE_HEADER = {
    0x2E, 0x71, 0x66, 0x62, 0x01, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00,
    0x02, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

TEST(QfbHeader, AppendersWriteTheHeaderWithFpsBeforeTheCounts)
{
    reset_output();
    write_header(64, 64, 2, 2, 0, 15);
    EXPECT_EQ(std::vector<uint8_t>(output_buffer, output_cursor), SAMPLE_HEADER);
    // Every field distinct, and the appenders go on from where the header ended.
    write_header(0x0201, 0x0403, 0, 7, 5, 0x0605);
    write_u32(0x12345678);
    write_bytes("ab", 2);
    write_bytes(nullptr, 0);
    const std::vector<uint8_t> tail = {'.', 'q', 'f', 'b', 1, 0, 0, 0, 1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 0, 0,
                                       5, 6, 0, 0, 7, 0, 0, 0, 5, 0, 0, 0, 0x78, 0x56, 0x34, 0x12, 'a', 'b'};
    ASSERT_EQ(output_size(), QFB_HEADER_SIZE + tail.size());
    EXPECT_EQ(std::vector<uint8_t>(output_buffer + QFB_HEADER_SIZE, output_cursor), tail);
    reset_output();
    EXPECT_EQ(output_size(), 0u);
}

}  // namespace
