// The converters: the documented words, every combination of three channel bytes and every
// run length and alignment against a plain one-pixel-at-a-time reference, the notices, and the
// combinations create_bitmap refuses.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "output.h"

namespace {

// The word as the format defines it, channel by channel.
uint16_t reference_word(int32_t bpp, PixelFormat format, uint32_t b, uint32_t g, uint32_t r, uint32_t a)
{
    if (format == FORMAT_565) return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
    if (format == FORMAT_4444)
        return static_cast<uint16_t>(((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4));
    const uint32_t flag = (bpp != 24 && a == 0) ? 1 : 0;
    return static_cast<uint16_t>((flag << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}

struct Converter {
    int32_t bpp;
    PixelFormat format;
    const char* notice;
};
const Converter CONVERTERS[] = {
    {24, FORMAT_1555, "Creating 1555 from 24bpp.\n"}, {24, FORMAT_565, "Creating 565 from 24bpp.\n"},
    {32, FORMAT_1555, "Creating 1555 from 32bpp.\n"}, {32, FORMAT_4444, "Creating 4444 from 32bpp.\n"},
    {32, FORMAT_565, "Creating 565 from 32bpp.\n"},
    // Any depth but 24 is a 4-byte source.
    {16, FORMAT_565, "Creating 565 from 32bpp.\n"},   {8, FORMAT_1555, "Creating 1555 from 32bpp.\n"},
};
size_t bytes_per_pixel(const Converter& c) { return c.bpp == 24 ? 3 : 4; }

// Runs create_bitmap into dest (bytes) and returns what it printed.
std::string run(const Converter& c, const uint8_t* source, uint8_t* dest, int32_t width, int32_t height)
{
    testing::internal::CaptureStdout();
    create_bitmap(source, reinterpret_cast<uint16_t*>(dest), width, height, c.bpp, c.format);
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// Index of the first pixel whose two bytes differ from the reference word, or count.
size_t first_mismatch(const Converter& c, const uint8_t* source, const uint8_t* dest, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = source + i * bytes_per_pixel(c);
        const uint16_t word = reference_word(c.bpp, c.format, p[0], p[1], p[2], c.bpp == 24 ? 0 : p[3]);
        if (dest[2 * i] != (word & 0xFF) || dest[2 * i + 1] != (word >> 8)) return i;
    }
    return count;
}

TEST(PixelConvert, DocumentedWordsInOrderLowByteFirst)
{
    struct Case {
        int32_t bpp;
        PixelFormat format;
        uint8_t b, g, r, a;  // a is not in a 24-bit source
        uint16_t word;
    } const cases[] = {
        {24, FORMAT_565, 0x12, 0x34, 0x56, 0, 0x51A2},  {32, FORMAT_565, 0x12, 0x34, 0x56, 0x78, 0x51A2},
        {24, FORMAT_1555, 0x12, 0x34, 0x56, 0, 0x28C2}, {32, FORMAT_1555, 0x12, 0x34, 0x56, 0x78, 0x28C2},
        {32, FORMAT_4444, 0x12, 0x34, 0x56, 0x78, 0x7531},
        {32, FORMAT_1555, 0x12, 0x34, 0x56, 0, 0xA8C2},       // alpha exactly 0 sets the flag
        {24, FORMAT_565, 255, 255, 255, 0, 0xFFFF},     {32, FORMAT_565, 255, 255, 255, 255, 0xFFFF},
        {32, FORMAT_4444, 255, 255, 255, 255, 0xFFFF},  {24, FORMAT_1555, 255, 255, 255, 0, 0x7FFF},
        {32, FORMAT_1555, 255, 255, 255, 255, 0x7FFF},  {32, FORMAT_1555, 255, 255, 255, 0, 0xFFFF},
        {32, FORMAT_1555, 0, 0, 0, 0, 0x8000},          {32, FORMAT_4444, 0, 0, 0, 0, 0x0000},
        {32, FORMAT_1555, 0, 0, 0, 1, 0x0000},          {32, FORMAT_1555, 0, 0, 0, 128, 0x0000},
        {24, FORMAT_565, 7, 3, 7, 0, 0x0000},           {24, FORMAT_565, 8, 4, 8, 0, 0x0821},  // truncation
        {32, FORMAT_565, 0x12, 0x34, 0x56, 0, 0x51A2},  {32, FORMAT_565, 0x12, 0x34, 0x56, 255, 0x51A2},
        {16, FORMAT_565, 0x12, 0x34, 0x56, 0, 0x51A2},  {8, FORMAT_1555, 0x12, 0x34, 0x56, 0, 0xA8C2},
    };
    // All cases of one converter go through it in one run, as a row and as a column.
    for (const Converter& c : CONVERTERS) {
        std::vector<uint8_t> source;
        std::vector<uint16_t> words;
        for (const Case& k : cases) {
            if (k.bpp != c.bpp || k.format != c.format) continue;
            source.insert(source.end(), {k.b, k.g, k.r});
            if (c.bpp != 24) source.push_back(k.a);
            words.push_back(k.word);
        }
        const int32_t n = static_cast<int32_t>(words.size());
        for (const auto& [w, h] : {std::pair<int32_t, int32_t>{n, 1}, {1, n}}) {
            std::vector<uint8_t> dest(words.size() * 2 + 2, 0xEE);
            EXPECT_EQ(run(c, source.data(), dest.data(), w, h), c.notice);
            for (size_t i = 0; i < words.size(); ++i)
                EXPECT_EQ(dest[2 * i] | (dest[2 * i + 1] << 8), words[i]) << c.notice << "pixel " << i;
            EXPECT_EQ(dest[words.size() * 2], 0xEE) << c.notice << "wrote past the last pixel";
        }
    }
}

TEST(PixelConvert, EveryCombinationOfThreeChannels)
{
    // Pixel i has B, G, R = the three bytes of i; a 4-byte pixel adds A = B + G + R (mod 256),
    // so any three of its four channels take all 2^24 combinations together.
    constexpr size_t COUNT = size_t{1} << 24;
    std::vector<uint8_t> source(COUNT * 4);
    std::vector<uint8_t> dest(COUNT * 2);
    for (const Converter& c : CONVERTERS) {
        if (c.bpp != 24 && c.bpp != 32) continue;
        for (size_t i = 0; i < COUNT; ++i) {
            uint8_t* p = &source[i * bytes_per_pixel(c)];
            p[0] = static_cast<uint8_t>(i);
            p[1] = static_cast<uint8_t>(i >> 8);
            p[2] = static_cast<uint8_t>(i >> 16);
            if (c.bpp == 32) p[3] = static_cast<uint8_t>(p[0] + p[1] + p[2]);
        }
        run(c, source.data(), dest.data(), 4096, 4096);
        const size_t bad = first_mismatch(c, source.data(), dest.data(), COUNT);
        EXPECT_EQ(bad, COUNT) << c.notice << "first wrong pixel " << bad;
    }
}

TEST(PixelConvert, EveryRunLengthAndAlignment)
{
    // Lengths around 8, 16 and 32 lanes catch a vector loop that loses or overruns its tail;
    // the offsets make sources and destinations unaligned. Empty and negative sizes write nothing.
    constexpr int32_t MAX_COUNT = 70;
    constexpr size_t GUARD = 8;  // bytes after the last word that must stay untouched
    std::vector<uint8_t> source(MAX_COUNT * 4 + 4);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i % 19 == 3 ? 0 : i * 167 + 13);
    std::vector<uint8_t> dest(MAX_COUNT * 2 + 2 + GUARD);
    std::vector<std::pair<int32_t, int32_t>> sizes = {{0, 5}, {5, 0}, {-2, -3}, {-1, 4}, {INT32_MIN, -1}};
    for (int32_t n = 1; n <= MAX_COUNT; ++n) sizes.push_back({n, 1});
    for (const Converter& c : CONVERTERS) {
        for (const auto& [w, h] : sizes) {
            const size_t count = w > 0 && h > 0 ? static_cast<size_t>(w) : 0;
            for (size_t source_offset = 0; source_offset < 4; ++source_offset) {
                for (size_t dest_offset : {0, 2}) {
                    std::memset(dest.data(), 0xEE, dest.size());
                    const uint8_t* in = source.data() + source_offset;
                    uint8_t* out = dest.data() + dest_offset;
                    ASSERT_EQ(run(c, in, out, w, h), c.notice);
                    ASSERT_EQ(first_mismatch(c, in, out, count), count) << c.notice << w << " x " << h;
                    for (size_t i = 0; i < dest.size(); ++i) {
                        if (i >= dest_offset && i < dest_offset + count * 2) continue;
                        ASSERT_EQ(dest[i], 0xEE) << c.notice << w << " x " << h << ": stray byte " << i;
                    }
                }
            }
        }
    }
}

TEST(PixelConvertDeathTest, UnhandledCombinationsEndTheProcess)
{
    const char* const line24 = "INTERNAL ERROR: Unhandled 24bpp format in create_bitmap\\.\n";
    const char* const line32 = "INTERNAL ERROR: Unhandled 32bpp format in create_bitmap\\.\n";
    const struct {
        int32_t bpp, format;
        const char* line;
    } cases[] = {{24, FORMAT_4444, line24}, {24, 3, line24}, {24, -1, line24}, {32, 3, line32}, {16, 7, line32}};
    const uint8_t source[4] = {};
    uint16_t dest[1] = {};
    for (const auto& c : cases) {
        std::fflush(stdout);
        // The line goes to standard output; the child sends that to standard error to match it.
        EXPECT_EXIT(
            {
                dup2(STDERR_FILENO, STDOUT_FILENO);
                create_bitmap(source, dest, 1, 1, c.bpp, static_cast<PixelFormat>(c.format));
            },
            testing::ExitedWithCode(1), c.line)
            << c.bpp << " bpp, format " << c.format;
    }
}

}  // namespace
