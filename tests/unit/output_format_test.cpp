// The QFB header as the appenders write it and as a reader checks it, level geometry, and the
// file size the driver checks against the buffer before writing.
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "output/output_buffer.h"
#include "output/qfb_format.h"

namespace {

constexpr int32_t I32_MAX = std::numeric_limits<int32_t>::max();

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

TEST(QfbHeader, DecodeRoundTripsAndNamesWhatIsWrong)
{
    for (const QfbHeader& in : {QfbHeader{1, 1, 0, 1, 1, 0}, QfbHeader{0, 0, 2, 1, 1, 3},
                                QfbHeader{I32_MAX, I32_MAX, 1, I32_MAX, I32_MAX, I32_MAX}}) {
        uint8_t bytes[QFB_HEADER_SIZE];
        encode_qfb_header(in, bytes);
        QfbHeader out{};
        ASSERT_EQ(decode_qfb_header(bytes, sizeof bytes, &out), QfbHeaderStatus::ok);
        EXPECT_EQ(std::memcmp(&in, &out, sizeof in), 0) << in.width << " x " << in.height;
    }
    struct Case {
        size_t offset;  // the byte changed in the sample header
        uint8_t value;
        QfbHeaderStatus status;
    } const cases[] = {
        {0, 'Q', QfbHeaderStatus::bad_magic},        {3, 'B', QfbHeaderStatus::bad_magic},
        {4, 2, QfbHeaderStatus::bad_constant},       {7, 1, QfbHeaderStatus::bad_constant},
        {11, 0x80, QfbHeaderStatus::bad_dimensions}, {15, 0x80, QfbHeaderStatus::bad_dimensions},
        {16, 3, QfbHeaderStatus::bad_format},        {19, 1, QfbHeaderStatus::bad_format},
        {20, 0, QfbHeaderStatus::bad_fps},           {23, 0x80, QfbHeaderStatus::bad_fps},
        {24, 0, QfbHeaderStatus::bad_frame_count},   {27, 0xFF, QfbHeaderStatus::bad_frame_count},
        {31, 0x80, QfbHeaderStatus::bad_mipmap_count},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = SAMPLE_HEADER;
        bytes[c.offset] = c.value;
        QfbHeader out{-7, -7, -7, -7, -7, -7};
        EXPECT_EQ(decode_qfb_header(bytes.data(), bytes.size(), &out), c.status) << "byte " << c.offset;
        EXPECT_EQ(out.width, -7) << "filled on failure";
    }
    QfbHeader out{};
    EXPECT_EQ(decode_qfb_header(SAMPLE_HEADER.data(), QFB_HEADER_SIZE - 1, &out), QfbHeaderStatus::too_short);
}

TEST(QfbGeometry, LevelsHalveByIntegerDivision)
{
    const struct {
        int32_t width, height, level, w, h;
    } cases[] = {
        {100, 60, 1, 50, 30}, {100, 60, 3, 12, 7}, {5, 3, 1, 2, 1}, {5, 3, 2, 1, 0}, {1024, 512, 10, 1, 0},
        {I32_MAX, I32_MAX, 30, 1, 1}, {I32_MAX, 7, I32_MAX, 0, 0}, {8, 8, 0, 8, 8}, {8, 8, -1, 8, 8},
    };
    for (const auto& c : cases) {
        int32_t w = -1, h = -1;
        qfb_level_size(c.width, c.height, c.level, &w, &h);
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.w, c.h)) << c.width << " x " << c.height << " level " << c.level;
    }
}

TEST(QfbGeometry, FileSizeCountsEveryLevelOfEveryFrameWithoutOverflow)
{
    constexpr uint64_t NONE = 12345;  // left in place on failure
    const uint64_t top = 2 * uint64_t{I32_MAX} * uint64_t{I32_MAX};
    const struct {
        int32_t width, height, frames, mipmaps;
        bool ok;
        uint64_t size;
    } cases[] = {
        {1, 1, 1, 0, true, 34},
        {64, 64, 2, 0, true, 16416},
        {256, 256, 3, 2, true, 516128},
        {5, 3, 2, I32_MAX, true, 32 + 2 * (30 + 4)},  // the 1 x 0 level and all after it are empty
        {100, 60, 1, 3, true, 32 + 2 * (6000 + 1500 + 375 + 84)},
        {1024, 512, 19, 0, true, 19922976},  // the largest designed sets fit the buffer
        {1024, 682, 14, 0, true, 19554336},
        {I32_MAX, I32_MAX, 2, 0, true, 32 + 2 * top},  // just below 2^64
        {I32_MAX, I32_MAX, 3, 0, false, NONE},
        {65536, 65536, I32_MAX, 0, true, 32 + uint64_t{I32_MAX} * (uint64_t{1} << 33)},
        {I32_MAX, I32_MAX, I32_MAX, 40, false, NONE},
        {-1, 4, 1, 0, false, NONE}, {4, -1, 1, 0, false, NONE}, {4, 4, -1, 0, false, NONE}, {4, 4, 1, -1, false, NONE},
    };
    for (const auto& c : cases) {
        uint64_t size = NONE;
        EXPECT_EQ(qfb_file_size(c.width, c.height, c.frames, c.mipmaps, &size), c.ok) << c.width << " x " << c.height;
        EXPECT_EQ(size, c.size) << c.width << " x " << c.height << ", " << c.frames << " frames, " << c.mipmaps;
        if (c.width == 1024) {
            EXPECT_LE(size, OUTPUT_BUFFER_CAPACITY);
        }
    }
}

}  // namespace
