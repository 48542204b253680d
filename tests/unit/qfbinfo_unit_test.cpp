// qfbinfo's pieces in process: the bit-replicating expansion (exhaustively, against makeqfb's own
// converters), the file check against hostile headers, level offsets and extraction base names.
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "output/pixel_convert.h"
#include "output/qfb_format.h"
#include "qfbinfo/pixel_expand.h"
#include "qfbinfo/qfb_check.h"
#include "qfbinfo/qfb_extract.h"

namespace {

constexpr int32_t I32_MAX = std::numeric_limits<int32_t>::max();

TEST(PixelExpand, KnownWordsGiveBitReplicatedChannels)
{
    struct Case {
        uint16_t word;
        PixelFormat format;
        uint8_t b, g, r, a;
    } const cases[] = {
        {0x0000, FORMAT_1555, 0, 0, 0, 255},           {0x8000, FORMAT_1555, 0, 0, 0, 0},
        {0x7FFF, FORMAT_1555, 255, 255, 255, 255},     {0xFFFF, FORMAT_1555, 255, 255, 255, 0},
        {0xA8C2, FORMAT_1555, 0x10, 0x31, 0x52, 0},    // 2, 6, 10 -> (v << 3) | (v >> 2)
        {0x7531, FORMAT_4444, 0x11, 0x33, 0x55, 0x77}, {0xF000, FORMAT_4444, 0, 0, 0, 255},
        {0x0FFF, FORMAT_4444, 255, 255, 255, 0},       {0x51A2, FORMAT_565, 0x10, 0x34, 0x52, 255},
        {0xFFFF, FORMAT_565, 255, 255, 255, 255},      {0x07E0, FORMAT_565, 0, 255, 0, 255},
        {0x0821, FORMAT_565, 0x08, 0x04, 0x08, 255},   {0x1234, static_cast<PixelFormat>(7), 0, 0, 0, 255},
    };
    for (const Case& c : cases) {
        uint8_t got[4];
        expand_word(c.word, c.format, got);
        const std::vector<uint8_t> want = {c.b, c.g, c.r, c.a};
        EXPECT_EQ(std::vector<uint8_t>(got, got + 4), want) << std::hex << c.word << " format " << c.format;
    }
}

// Every word of every format, expanded and converted back by makeqfb's 32-bit converter, is
// the same word: the extraction loses nothing.
TEST(PixelExpand, EveryWordSurvivesExpandAndReconvert)
{
    struct Case {
        PixelFormat format;
        void (*convert)(const uint8_t*, uint16_t*, int32_t, int32_t);
    } const cases[] = {{FORMAT_1555, create_1555_from_32}, {FORMAT_4444, create_4444_from_32}, {FORMAT_565, create_565_from_32}};
    std::vector<uint8_t> words(65536 * 2);
    for (uint32_t w = 0; w < 65536; ++w) {
        words[2 * w] = static_cast<uint8_t>(w & 0xFF);
        words[2 * w + 1] = static_cast<uint8_t>(w >> 8);
    }
    for (const Case& c : cases) {
        std::vector<uint8_t> bgra(65536 * 4);
        expand_row(words.data(), 65536, c.format, bgra.data());
        std::vector<uint16_t> back(65536);
        c.convert(bgra.data(), back.data(), 256, 256);
        int wrong = 0;
        for (uint32_t w = 0; w < 65536; ++w)
            if (back[w] != w && ++wrong <= 3) ADD_FAILURE() << "format " << c.format << ": " << std::hex << w << " -> " << back[w];
        EXPECT_EQ(wrong, 0);
    }
}

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

// The boundaries of the checks (the end-to-end tests give every refusal's message).
TEST(QfbCheck, RefusesEveryHostileHeaderBeforeTrustingIt)
{
    const uint64_t big = 32 + 2 * uint64_t{32767} * 32767 * 1000;  // 1000 frames of 32767 x 32767
    struct Case {
        const char* what;
        std::vector<uint8_t> header;
        uint64_t file_size;
        QfbProblem problem;
        QfbHeaderStatus status;
        uint64_t expected_size;
    } const cases[] = {
        {"sound 2 x 2", header_bytes(2, 2, 0, 1, 1, 0), 40, QfbProblem::none, QfbHeaderStatus::ok, 40},
        {"empty levels only", header_bytes(0, 7, 1, 1, 5, 3), 32, QfbProblem::none, QfbHeaderStatus::ok, 32},
        {"largest accepted", header_bytes(32767, 1, 2, I32_MAX, QFBINFO_MAX_FRAMES, 159), 32 + 65534ull * QFBINFO_MAX_FRAMES,
         QfbProblem::none, QfbHeaderStatus::ok, 32 + 65534ull * QFBINFO_MAX_FRAMES},
        {"header cut short", header_bytes(2, 2, 0, 1, 1, 0), 31, QfbProblem::bad_header, QfbHeaderStatus::too_short, 0},
        {"version 2", with_byte(header_bytes(2, 2, 0, 1, 1, 0), 4, 2), 40, QfbProblem::bad_header, QfbHeaderStatus::bad_constant, 0},
        {"frames 2^31", header_bytes(32767, 32767, 0, 1, int64_t{1} << 31, 0), 40, QfbProblem::bad_header,
         QfbHeaderStatus::bad_frame_count, 0},
        {"width 32768", header_bytes(32768, 1, 0, 1, 1, 0), 65568, QfbProblem::side_too_large, QfbHeaderStatus::ok, 0},
        {"160 mipmaps", header_bytes(1, 1, 0, 1, 1, 160), 34, QfbProblem::too_many_mipmaps, QfbHeaderStatus::ok, 0},
        {"2^31 - 1 empty frames", header_bytes(0, 0, 0, 1, I32_MAX, 0), 32, QfbProblem::too_many_frames, QfbHeaderStatus::ok, 0},
        {"one frame too many", header_bytes(1, 1, 0, 1, QFBINFO_MAX_FRAMES + 1, 0), 40, QfbProblem::too_many_frames,
         QfbHeaderStatus::ok, 0},
        {"huge claim, 40-byte file", header_bytes(32767, 32767, 0, 1, 1000, 0), 40, QfbProblem::cut_short, QfbHeaderStatus::ok, big},
        {"one byte extra", header_bytes(2, 2, 0, 1, 1, 0), 41, QfbProblem::extra_bytes, QfbHeaderStatus::ok, 40},
        {"bytes after empty levels", header_bytes(4, 0, 2, 1, 3, 2), 33, QfbProblem::extra_bytes, QfbHeaderStatus::ok, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t available = c.file_size < QFB_HEADER_SIZE ? static_cast<size_t>(c.file_size) : QFB_HEADER_SIZE;
        const QfbCheck got = check_qfb_header_bytes(c.header.data(), available, c.file_size);
        EXPECT_EQ(got.problem, c.problem);
        EXPECT_EQ(got.header_status, c.status);
        EXPECT_EQ(got.file_size, c.file_size);
        if (c.expected_size != 0) {
            EXPECT_EQ(got.expected_size, c.expected_size);
        }
    }
}

// Offsets by plain summing over the levels, for comparison with qfb_level_offset.
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

TEST(QfbLevelOffset, AgreesWithSummingEveryLevelAndRefusesOutOfRange)
{
    const int32_t shapes[][3] = {{5, 3, 2}, {100, 60, 3}, {1, 1, 0}, {0, 9, 4}, {32767, 32767, 159}, {1024, 512, 10}};
    for (const auto& s : shapes)
        for (int32_t frame : {0, 1, 7})
            for (int32_t level = 0; level <= s[2]; level += (level < 12 ? 1 : 40)) {
                uint64_t got = 0;
                ASSERT_TRUE(qfb_level_offset(s[0], s[1], s[2], frame, level, &got));
                EXPECT_EQ(got, summed_offset(s[0], s[1], s[2], frame, level)) << s[0] << "x" << s[1] << " f" << frame << " l" << level;
            }
    struct Bad {
        int32_t w, h, mipmaps, frame, level;
    } const bad[] = {{2, 2, 1, 0, 2}, {2, 2, 1, 0, -1}, {2, 2, 1, -1, 0}, {-2, 2, 1, 0, 0}, {2, 2, -1, 0, 0}};
    for (const Bad& b : bad) {
        uint64_t untouched = 77;
        EXPECT_FALSE(qfb_level_offset(b.w, b.h, b.mipmaps, b.frame, b.level, &untouched));
        EXPECT_EQ(untouched, 77u);
    }
    // Frames of 2^31 - 1 squared: the third frame's start still fits in 64 bits, the fourth's does not.
    const uint64_t frame_bytes = uint64_t{I32_MAX} * I32_MAX * 2;
    uint64_t huge = 0;
    EXPECT_TRUE(qfb_level_offset(I32_MAX, I32_MAX, 0, 1, 0, &huge));
    EXPECT_EQ(huge, 32 + frame_bytes);
    EXPECT_TRUE(qfb_level_offset(I32_MAX, I32_MAX, 0, 2, 0, &huge));
    EXPECT_EQ(huge, 32 + 2 * frame_bytes);
    EXPECT_FALSE(qfb_level_offset(I32_MAX, I32_MAX, 0, 3, 0, &huge));
    EXPECT_EQ(huge, 32 + 2 * frame_bytes);
}

TEST(ExtractBase, FolderPlusTheFilesStemDotTga)
{
    const std::string long_stem(246, 's');  // "o/" + stem + ".tga" is 252 characters; 5 more do not fit
    struct Case {
        std::string qfb, folder, want;  // empty want: refused
    } const cases[] = {
        {"walk.qfb", "out", "out/walk.tga"},
        {"art/walk.qfb", "out/", "out/walk.tga"},
        {"/abs/a.b.qfb", "/tmp//", "/tmp/a.b.tga"},
        {"noext", ".", "./noext.tga"},
        {"dir.v2/walk", "x", "x/walk.tga"},
        {".qfb", "x", "x/.tga"},
        {"walk.qfb", "/", "/walk.tga"},
        {"walk.qfb", "", ""},
        {long_stem + ".qfb", "o", "o/" + long_stem + ".tga"},
        {long_stem + "12345.qfb", "o", ""},
    };
    for (const Case& c : cases) {
        char out[NAME_BUFFER_SIZE];
        const bool built = build_extract_base(out, c.qfb.c_str(), c.folder.c_str());
        EXPECT_EQ(built, !c.want.empty()) << c.qfb << " in " << c.folder;
        EXPECT_EQ(std::string(out), c.want) << c.qfb << " in " << c.folder;
    }
}

}  // namespace
