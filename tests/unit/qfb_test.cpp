// The format library through its API: the header as written and as checked, every refusal of the
// file check at its boundary, level geometry, offsets and the walks against plain summing, the
// formats' names and the encoder's refusals, and the bit-replicating expansion (exhaustively,
// against the encoder).
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <vector>

#include <gtest/gtest.h>
#include <qfb/qfb.h>

namespace {

constexpr int32_t I32_MAX = std::numeric_limits<int32_t>::max();

// 64 x 64, 565, 15 fps, two frames, no mipmaps.
const std::vector<uint8_t> SAMPLE_HEADER = {
    0x2E, 0x71, 0x66, 0x62, 0x01, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00,
    0x02, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

std::vector<uint8_t> header_bytes(int64_t w, int64_t h, int64_t format, int64_t fps, int64_t frames, int64_t mipmaps)
{
    std::vector<uint8_t> out = {'.', 'q', 'f', 'b'};
    for (int64_t v : {int64_t{1}, w, h, format, fps, frames, mipmaps})
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
    return out;
}

std::vector<uint8_t> with_byte(std::vector<uint8_t> bytes, size_t at, uint8_t value)
{
    bytes[at] = value;
    return bytes;
}

TEST(QfbHeader, EncodeAndCheckRoundTripAndNameWhatIsWrong)
{
    for (const qfb_header& in : {qfb_header{1, 1, 0, 1, 1, 0}, qfb_header{0, 0, 2, 1, 1, 3},
                                 qfb_header{QFB_MAX_SIDE, 1, 1, I32_MAX, 5, QFB_MAX_MIPMAPS}}) {
        uint8_t bytes[QFB_HEADER_SIZE];
        qfb_encode_header(&in, bytes);
        qfb_file layout, out;
        ASSERT_EQ(qfb_layout(&in, &layout), QFB_OK);
        ASSERT_EQ(qfb_check(bytes, sizeof bytes, layout.size, &out), QFB_OK);
        EXPECT_EQ(std::memcmp(&in, &out.header, sizeof in), 0) << in.width << " x " << in.height;
    }
    struct Case {
        size_t offset;  // the byte changed in the sample header
        uint8_t value;
        qfb_status status;
    } const cases[] = {
        {0, 'Q', QFB_BAD_MAGIC},         {3, 'B', QFB_BAD_MAGIC},           {4, 2, QFB_BAD_VERSION},
        {7, 1, QFB_BAD_VERSION},         {11, 0x80, QFB_BAD_DIMENSIONS},    {15, 0x80, QFB_BAD_DIMENSIONS},
        {16, 3, QFB_BAD_FORMAT},         {19, 1, QFB_BAD_FORMAT},           {20, 0, QFB_BAD_FPS},
        {23, 0x80, QFB_BAD_FPS},         {24, 0, QFB_BAD_FRAME_COUNT},      {27, 0xFF, QFB_BAD_FRAME_COUNT},
        {31, 0x80, QFB_BAD_MIPMAP_COUNT},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = with_byte(SAMPLE_HEADER, c.offset, c.value);
        qfb_file out;
        EXPECT_EQ(qfb_check(bytes.data(), bytes.size(), 16416, &out), c.status) << "byte " << c.offset;
        EXPECT_EQ(out.status, c.status);
        qfb_level level;
        EXPECT_EQ(qfb_get_level(&out, 0, 0, &level), QFB_BAD_ARGUMENT) << "no access after a refusal";
    }
}

// The boundaries of the checks (qfbinfo's end-to-end tests give every refusal's message).
TEST(QfbCheck, RefusesEveryHostileHeaderBeforeTrustingIt)
{
    const uint64_t big = 32 + 2 * uint64_t{32767} * 32767 * 1000;  // 1000 frames of 32767 x 32767
    struct Case {
        const char* what;
        std::vector<uint8_t> header;
        uint64_t file_size;
        qfb_status status;
        uint64_t expected_size;
    } const cases[] = {
        {"sound 2 x 2", header_bytes(2, 2, 0, 1, 1, 0), 40, QFB_OK, 40},
        {"empty levels only", header_bytes(0, 7, 1, 1, 5, 3), 32, QFB_OK, 32},
        {"largest accepted", header_bytes(32767, 1, 2, I32_MAX, QFB_MAX_FRAMES, 159), 32 + 65534ull * QFB_MAX_FRAMES,
         QFB_OK, 32 + 65534ull * QFB_MAX_FRAMES},
        {"header cut short", header_bytes(2, 2, 0, 1, 1, 0), 31, QFB_TOO_SHORT, 0},
        {"version 2", with_byte(header_bytes(2, 2, 0, 1, 1, 0), 4, 2), 40, QFB_BAD_VERSION, 0},
        {"frames 2^31", header_bytes(32767, 32767, 0, 1, int64_t{1} << 31, 0), 40, QFB_BAD_FRAME_COUNT, 0},
        {"width 32768", header_bytes(32768, 1, 0, 1, 1, 0), 65568, QFB_SIDE_TOO_LARGE, 0},
        {"160 mipmaps", header_bytes(1, 1, 0, 1, 1, 160), 34, QFB_TOO_MANY_MIPMAPS, 0},
        {"2^31 - 1 empty frames", header_bytes(0, 0, 0, 1, I32_MAX, 0), 32, QFB_TOO_MANY_FRAMES, 0},
        {"one frame too many", header_bytes(1, 1, 0, 1, QFB_MAX_FRAMES + 1, 0), 40, QFB_TOO_MANY_FRAMES, 0},
        {"huge claim, 40-byte file", header_bytes(32767, 32767, 0, 1, 1000, 0), 40, QFB_CUT_SHORT, big},
        {"one byte extra", header_bytes(2, 2, 0, 1, 1, 0), 41, QFB_EXTRA_BYTES, 40},
        {"bytes after empty levels", header_bytes(4, 0, 2, 1, 3, 2), 33, QFB_EXTRA_BYTES, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t available = c.file_size < QFB_HEADER_SIZE ? static_cast<size_t>(c.file_size) : QFB_HEADER_SIZE;
        qfb_file got;
        EXPECT_EQ(qfb_check(c.header.data(), available, c.file_size, &got), c.status);
        if (c.expected_size != 0) {
            EXPECT_EQ(got.size, c.expected_size);
        }
        // A whole file in memory gets the same verdict from its bytes alone.
        if (c.file_size <= 1024) {
            std::vector<uint8_t> whole(c.header);
            whole.resize(static_cast<size_t>(c.file_size));
            EXPECT_EQ(qfb_parse(whole.data(), whole.size(), &got), c.status);
            EXPECT_EQ(got.data == whole.data(), c.status == QFB_OK);
        }
    }
}

TEST(QfbLayout, LevelsHalveByIntegerDivision)
{
    const struct {
        int32_t width, height, level, w, h;  // w < 0: no such level
    } cases[] = {
        {100, 60, 1, 50, 30}, {100, 60, 3, 12, 7}, {5, 3, 1, 2, 1}, {5, 3, 2, 1, 0}, {1024, 512, 10, 1, 0},
        {I32_MAX, I32_MAX, 30, 1, 1}, {I32_MAX, 7, I32_MAX, 0, 0}, {8, 8, 0, 8, 8}, {8, 8, -1, -1, -1},
    };
    for (const auto& c : cases) {
        const qfb_header h = {c.width, c.height, 0, 1, 1, c.level < 0 ? 0 : c.level};
        qfb_file layout;
        ASSERT_EQ(qfb_layout(&h, &layout), QFB_OK);
        qfb_level level{};
        EXPECT_EQ(qfb_get_level(&layout, 0, c.level, &level), c.w < 0 ? QFB_OUT_OF_RANGE : QFB_OK);
        if (c.w >= 0) {
            EXPECT_EQ(std::make_pair(level.width, level.height), std::make_pair(c.w, c.h))
                << c.width << " x " << c.height << " level " << c.level;
            EXPECT_EQ(level.size, uint64_t{2} * static_cast<uint64_t>(c.w) * static_cast<uint64_t>(c.h));
        }
    }
}

TEST(QfbLayout, FileSizeCountsEveryLevelOfEveryFrameWithoutOverflow)
{
    const uint64_t top = 2 * uint64_t{I32_MAX} * uint64_t{I32_MAX};
    const struct {
        int32_t width, height, frames, mipmaps;
        qfb_status status;
        uint64_t size;
    } cases[] = {
        {1, 1, 1, 0, QFB_OK, 34},
        {64, 64, 2, 0, QFB_OK, 16416},
        {256, 256, 3, 2, QFB_OK, 516128},
        {5, 3, 2, I32_MAX, QFB_OK, 32 + 2 * (30 + 4)},  // the 1 x 0 level and all after it are empty
        {100, 60, 1, 3, QFB_OK, 32 + 2 * (6000 + 1500 + 375 + 84)},
        {1024, 512, 19, 0, QFB_OK, 19922976},  // the largest designed sets fit the largest file
        {1024, 682, 14, 0, QFB_OK, 19554336},
        {I32_MAX, I32_MAX, 2, 0, QFB_OK, 32 + 2 * top},  // just below 2^64
        {I32_MAX, I32_MAX, 3, 0, QFB_SIZE_OVERFLOW, 0},
        {65536, 65536, I32_MAX, 0, QFB_OK, 32 + uint64_t{I32_MAX} * (uint64_t{1} << 33)},
        {I32_MAX, I32_MAX, I32_MAX, 40, QFB_SIZE_OVERFLOW, 0},
        {-1, 4, 1, 0, QFB_BAD_DIMENSIONS, 0}, {4, -1, 1, 0, QFB_BAD_DIMENSIONS, 0},
        {4, 4, 0, 0, QFB_BAD_FRAME_COUNT, 0}, {4, 4, 1, -1, QFB_BAD_MIPMAP_COUNT, 0},
    };
    for (const auto& c : cases) {
        const qfb_header h = {c.width, c.height, 0, 1, c.frames, c.mipmaps};
        qfb_file layout;
        EXPECT_EQ(qfb_layout(&h, &layout), c.status) << c.width << " x " << c.height;
        if (c.status == QFB_OK) {
            EXPECT_EQ(layout.size, c.size) << c.width << " x " << c.height << ", " << c.frames << " frames, " << c.mipmaps;
        }
        if (c.width == 1024) {
            EXPECT_LE(layout.size, uint64_t{QFB_MAX_FILE_SIZE});
        }
    }
}

// Offsets by plain summing over the levels, for comparison with qfb_get_level and the walk.
uint64_t summed_offset(int32_t w, int32_t h, int32_t mipmaps, int32_t frame, int32_t level)
{
    uint64_t offset = 32;
    for (int32_t f = 0; f <= frame; ++f) {
        uint64_t lw = static_cast<uint64_t>(w), lh = static_cast<uint64_t>(h);
        for (int32_t l = 0; l <= mipmaps; ++l, lw /= 2, lh /= 2) {
            if (f == frame && l == level) return offset;
            offset += lw * lh * 2;
        }
    }
    return offset;
}

// The walk over the levels with pixels takes the same levels as the whole walk, less the empty ones.
TEST(QfbLevels, GetAndWalksAgreeWithSummingEveryLevelAndRefuseOutOfRange)
{
    const int32_t shapes[][4] = {  // width, height, mipmaps, levels with pixels in a frame
        {5, 3, 2, 2}, {100, 60, 3, 4}, {1, 1, 0, 1}, {0, 9, 4, 0}, {32767, 32767, 159, 15}, {1024, 512, 10, 10},
        {0, 0, 159, 0}, {7, 0, 0, 0}};
    for (const auto& s : shapes) {
        const qfb_header h = {s[0], s[1], 0, 1, 8, s[2]};
        qfb_file layout;
        ASSERT_EQ(qfb_layout(&h, &layout), QFB_OK);
        int32_t filled = -1;
        ASSERT_EQ(qfb_pixel_level_count(&layout, &filled), QFB_OK);
        EXPECT_EQ(filled, s[3]) << s[0] << " x " << s[1];
        std::vector<qfb_level> with_pixels;
        qfb_level step;
        for (int more = qfb_first_pixel_level(&layout, &step); more; more = qfb_next_pixel_level(&layout, &step))
            with_pixels.push_back(step);
        EXPECT_EQ(with_pixels.size(), size_t{8} * static_cast<size_t>(s[3]));
        size_t next_with_pixels = 0;
        int64_t visited = 0;
        qfb_level walked;
        for (int more = qfb_first_level(&layout, &walked); more; more = qfb_next_level(&layout, &walked), ++visited) {
            if (walked.size != 0 && next_with_pixels < with_pixels.size()) {
                EXPECT_EQ(std::memcmp(&with_pixels[next_with_pixels++], &walked, sizeof walked), 0);
            }
            EXPECT_EQ(visited, int64_t{walked.frame} * (s[2] + 1) + walked.level);
            EXPECT_EQ(walked.offset, summed_offset(s[0], s[1], s[2], walked.frame, walked.level));
            qfb_level got;
            ASSERT_EQ(qfb_get_level(&layout, walked.frame, walked.level, &got), QFB_OK);
            EXPECT_EQ(std::memcmp(&got, &walked, sizeof got), 0) << "frame " << walked.frame << " level " << walked.level;
        }
        EXPECT_EQ(visited, 8 * (s[2] + 1));
        EXPECT_EQ(next_with_pixels, with_pixels.size());
        EXPECT_EQ(walked.offset + walked.size, layout.size);
        // From an empty level the walk goes on at the next frame's first level.
        if (s[3] > 0 && s[3] <= s[2]) {
            ASSERT_EQ(qfb_get_level(&layout, 2, s[2], &step), QFB_OK);
            ASSERT_EQ(qfb_next_pixel_level(&layout, &step), 1);
            EXPECT_EQ(std::make_pair(step.frame, step.level), std::make_pair(3, 0));
            EXPECT_EQ(step.offset, summed_offset(s[0], s[1], s[2], 3, 0));
        }
        qfb_level none;
        for (const auto& at : {std::make_pair(0, s[2] + 1), std::make_pair(0, -1), std::make_pair(-1, 0), std::make_pair(8, 0)})
            EXPECT_EQ(qfb_get_level(&layout, at.first, at.second, &none), QFB_OUT_OF_RANGE);
    }
}

TEST(QfbExpand, KnownWordsGiveBitReplicatedChannels)
{
    struct Case {
        uint16_t word;
        int32_t format;
        uint8_t b, g, r, a;
    } const cases[] = {
        {0x0000, QFB_FORMAT_1555, 0, 0, 0, 255},           {0x8000, QFB_FORMAT_1555, 0, 0, 0, 0},
        {0x7FFF, QFB_FORMAT_1555, 255, 255, 255, 255},     {0xFFFF, QFB_FORMAT_1555, 255, 255, 255, 0},
        {0xA8C2, QFB_FORMAT_1555, 0x10, 0x31, 0x52, 0},    // 2, 6, 10 -> (v << 3) | (v >> 2)
        {0x7531, QFB_FORMAT_4444, 0x11, 0x33, 0x55, 0x77}, {0xF000, QFB_FORMAT_4444, 0, 0, 0, 255},
        {0x0FFF, QFB_FORMAT_4444, 255, 255, 255, 0},       {0x51A2, QFB_FORMAT_565, 0x10, 0x34, 0x52, 255},
        {0xFFFF, QFB_FORMAT_565, 255, 255, 255, 255},      {0x07E0, QFB_FORMAT_565, 0, 255, 0, 255},
        {0x0821, QFB_FORMAT_565, 0x08, 0x04, 0x08, 255},   {0x1234, 7, 0, 0, 0, 255},
    };
    for (const Case& c : cases) {
        const uint8_t word[2] = {static_cast<uint8_t>(c.word), static_cast<uint8_t>(c.word >> 8)};
        uint8_t bgra[4], rgba[4];
        qfb_expand_words(word, 1, c.format, QFB_ORDER_BGRA, bgra);
        qfb_expand_words(word, 1, c.format, QFB_ORDER_RGBA, rgba);
        EXPECT_EQ(std::vector<uint8_t>(bgra, bgra + 4), (std::vector<uint8_t>{c.b, c.g, c.r, c.a})) << std::hex << c.word;
        EXPECT_EQ(std::vector<uint8_t>(rgba, rgba + 4), (std::vector<uint8_t>{c.r, c.g, c.b, c.a})) << std::hex << c.word;
    }
}

// Every 16-bit word once, little-endian, in ascending order.
std::vector<uint8_t> every_word()
{
    std::vector<uint8_t> words(65536 * 2);
    for (uint32_t w = 0; w < 65536; ++w) {
        words[2 * w] = static_cast<uint8_t>(w & 0xFF);
        words[2 * w + 1] = static_cast<uint8_t>(w >> 8);
    }
    return words;
}

// Every word of every format, expanded and encoded back from its 4-byte pixel, is the same word:
// the expansion loses nothing.
TEST(QfbExpand, EveryWordSurvivesExpandAndEncode)
{
    const std::vector<uint8_t> words = every_word();
    for (int32_t format : {QFB_FORMAT_1555, QFB_FORMAT_4444, QFB_FORMAT_565}) {
        std::vector<uint8_t> bgra(65536 * 4);
        qfb_expand_words(words.data(), 65536, format, QFB_ORDER_BGRA, bgra.data());
        std::vector<uint16_t> back(65536);
        ASSERT_EQ(qfb_encode_pixels(bgra.data(), 65536, 4, format, back.data()), QFB_OK);
        int wrong = 0;
        for (uint32_t w = 0; w < 65536; ++w)
            if (back[w] != w && ++wrong <= 3) ADD_FAILURE() << "format " << format << ": " << std::hex << w << " -> " << back[w];
        EXPECT_EQ(wrong, 0);
    }
}

// The GPU form is round(v x 255 / max), computed here in floating point; it departs from bit
// replication in 4 of the 32 five-bit values and 10 of the 64 six-bit values, never for 4 bits.
TEST(QfbExpand, GpuFormRoundsEachFieldAndDepartsFromReplicationWhereExpected)
{
    const std::vector<uint8_t> words = every_word();
    for (int32_t format : {QFB_FORMAT_1555, QFB_FORMAT_4444, QFB_FORMAT_565}) {
        std::vector<uint8_t> gpu(65536 * 4), replicated(65536 * 4);
        qfb_expand_words_gpu(words.data(), 65536, format, QFB_ORDER_BGRA, gpu.data());
        qfb_expand_words(words.data(), 65536, format, QFB_ORDER_BGRA, replicated.data());
        const qfb_field* fields = qfb_format_fields(format);
        int wrong = 0;
        for (uint32_t w = 0; w < 65536; ++w)
            for (int c = 0; c < 3; ++c) {
                const unsigned max = (1u << fields[c].bits) - 1, v = (w >> fields[c].shift) & max;
                const long expected = std::lround(v * 255.0 / max);
                if (gpu[4 * w + c] != expected && ++wrong <= 3)
                    ADD_FAILURE() << "format " << format << " word " << std::hex << w << " channel " << c;
            }
        EXPECT_EQ(wrong, 0);
        for (uint32_t w = 0; w < 65536; ++w) EXPECT_EQ(gpu[4 * w + 3], replicated[4 * w + 3]) << format << " " << w;
        // Departures counted over one field's values: green's (5 or 6 bits, or 4 for 4444).
        std::set<unsigned> departing;
        for (unsigned v = 0; v <= ((1u << fields[1].bits) - 1); ++v)
            if (gpu[4 * (v << fields[1].shift) + 1] != replicated[4 * (v << fields[1].shift) + 1]) departing.insert(v);
        EXPECT_EQ(departing.size(), format == QFB_FORMAT_4444 ? 0u : format == QFB_FORMAT_565 ? 10u : 4u) << format;
    }
}

TEST(QfbConvert, EachTargetLaysTheFieldsOutAsItsApiReadsThem)
{
    struct Case {
        int32_t format;
        qfb_target target;
        uint16_t word, expected;
        qfb_status status;
    } const cases[] = {
        {QFB_FORMAT_4444, QFB_TARGET_RGBA4444, 0x7531, 0x5317, QFB_OK},   // A R G B -> R G B A
        {QFB_FORMAT_4444, QFB_TARGET_RGBA4444, 0xF000, 0x000F, QFB_OK},
        {QFB_FORMAT_1555, QFB_TARGET_RGBA5551, 0x7FFF, 0xFFFF, QFB_OK},   // opaque white: A = 1
        {QFB_FORMAT_1555, QFB_TARGET_RGBA5551, 0x8000, 0x0000, QFB_OK},   // flag set: transparent
        {QFB_FORMAT_1555, QFB_TARGET_RGBA5551, 0x2C63, 0x58C7, QFB_OK},   // 11, 3, 3 moved up a bit
        {QFB_FORMAT_1555, QFB_TARGET_ARGB1555, 0x2C63, 0xAC63, QFB_OK},   // opaque gains bit 15
        {QFB_FORMAT_1555, QFB_TARGET_ARGB1555, 0xFFFF, 0x7FFF, QFB_OK},
        {QFB_FORMAT_565, QFB_TARGET_AS_STORED, 0x51A2, 0x51A2, QFB_OK},
        {QFB_FORMAT_4444, QFB_TARGET_AS_STORED, 0x7531, 0x7531, QFB_OK},
        {QFB_FORMAT_565, QFB_TARGET_RGBA4444, 0x51A2, 0, QFB_BAD_FORMAT},
        {QFB_FORMAT_4444, QFB_TARGET_RGBA5551, 0x7531, 0, QFB_BAD_FORMAT},
        {QFB_FORMAT_565, QFB_TARGET_ARGB1555, 0x51A2, 0, QFB_BAD_FORMAT},
        {7, QFB_TARGET_AS_STORED, 0x1234, 0, QFB_BAD_FORMAT},
    };
    for (const Case& c : cases) {
        const uint8_t word[2] = {static_cast<uint8_t>(c.word), static_cast<uint8_t>(c.word >> 8)};
        uint8_t out[2] = {0, 0};
        ASSERT_EQ(qfb_convert_words(word, 1, c.format, c.target, out), c.status) << std::hex << c.word;
        if (c.status == QFB_OK) {
            EXPECT_EQ(out[0] | (out[1] << 8), c.expected) << std::hex << c.word << " " << c.target;
        }
    }
    uint8_t in_place[4] = {0x31, 0x75, 0x00, 0xF0};
    ASSERT_EQ(qfb_convert_words(in_place, 2, QFB_FORMAT_4444, QFB_TARGET_RGBA4444, in_place), QFB_OK);
    EXPECT_EQ(std::vector<uint8_t>(in_place, in_place + 4), (std::vector<uint8_t>{0x17, 0x53, 0x0F, 0x00}));
    EXPECT_EQ(qfb_convert_words(nullptr, 1, QFB_FORMAT_565, QFB_TARGET_AS_STORED, in_place), QFB_BAD_ARGUMENT);
}

TEST(QfbFormats, NamesBothWaysAndWhatTheEncoderRefuses)
{
    const struct {
        const char* name;
        int32_t code;
        qfb_status status;
    } names[] = {{"1555", 0, QFB_OK},        {"4444", 1, QFB_OK},        {"565", 2, QFB_OK},
                 {"0565", -1, QFB_BAD_FORMAT}, {"565 ", -1, QFB_BAD_FORMAT}, {"", -1, QFB_BAD_FORMAT},
                 {nullptr, -1, QFB_BAD_ARGUMENT}};
    for (const auto& n : names) {
        EXPECT_EQ(qfb_format_code(n.name), n.code) << (n.name ? n.name : "null");
        int32_t code = -1;  // left as it is on a refusal
        EXPECT_EQ(qfb_format_from_name(n.name, &code), n.status);
        EXPECT_EQ(code, n.code);
        if (n.code >= 0) {
            EXPECT_STREQ(qfb_format_name(n.code), n.name);
        }
    }
    EXPECT_EQ(qfb_format_name(3), nullptr);
    EXPECT_EQ(qfb_format_fields(-1), nullptr);
    EXPECT_EQ(qfb_packed_format(QFB_FORMAT_4444, 3), QFB_FORMAT_1555);
    EXPECT_EQ(qfb_packed_format(QFB_FORMAT_4444, 4), QFB_FORMAT_4444);
    EXPECT_EQ(qfb_packed_format(QFB_FORMAT_565, 3), QFB_FORMAT_565);
    alignas(2) uint8_t pixels[8] = {}, words[6] = {};
    const struct {
        int bytes_per_pixel;
        int32_t format;
        uint8_t* out;
        qfb_status status;
    } encodes[] = {
        {3, QFB_FORMAT_565, words, QFB_OK},          {3, QFB_FORMAT_4444, words, QFB_NO_ALPHA},
        {4, 3, words, QFB_BAD_FORMAT},               {2, QFB_FORMAT_565, words, QFB_BAD_ARGUMENT},
        {4, QFB_FORMAT_565, nullptr, QFB_BAD_ARGUMENT}, {4, QFB_FORMAT_565, words + 1, QFB_BAD_ARGUMENT},
    };
    for (const auto& e : encodes)
        EXPECT_EQ(qfb_encode_pixels(pixels, 2, e.bytes_per_pixel, e.format, e.out), e.status) << qfb_status_text(e.status);
}

}  // namespace
