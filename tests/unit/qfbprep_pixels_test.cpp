// qfbprep's pixel work in process: the 2 x 2 linear-light reduction behind mipmaps, and the
// dithering to 16-bit channel widths.
#include <gtest/gtest.h>

#include <qfb/qfb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "dither.h"

namespace {

Image make_image(int32_t w, int32_t h, int32_t bits, const std::vector<uint8_t>& pixels)
{
    Image image;
    image.width = w;
    image.height = h;
    image.bits_per_pixel = bits;
    image.pixels = pixels;
    return image;
}

std::vector<uint8_t> repeat(const std::vector<uint8_t>& pixel, size_t count)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i < count; ++i) out.insert(out.end(), pixel.begin(), pixel.end());
    return out;
}

TEST(Mipmaps, ReducesInLinearLight)
{
    struct Case {
        const char* what;
        Image image;
        int32_t width, height;
        std::vector<uint8_t> expected;
    } cases[] = {
        // Linear light: a quarter of full intensity encodes to 137 (a plain average gives 64);
        // 128 among three 0s gives 66 (0.2159 / 4 encoded).
        {"three black and one white, 24 bits", make_image(2, 2, 24, {0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 128, 255}), 1, 1,
         {137, 66, 137}},
        {"the same block, opaque, 32 bits", make_image(2, 2, 32, {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 128, 255, 255}),
         1, 1, {137, 66, 137, 255}},
        // A fully transparent red adds no colour: black stays black; alpha is averaged plainly.
        {"transparent red beside black", make_image(2, 2, 32, {0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}), 1, 1,
         {0, 0, 0, 191}},
        // Half-transparent white counts half as much as opaque black.
        {"weighted by alpha", make_image(2, 2, 32, {255, 255, 255, 128, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0}), 1, 1,
         {156, 156, 156, 96}},
        // A block without any alpha keeps its colour, averaged plainly.
        {"wholly transparent block", make_image(2, 2, 32, repeat({40, 80, 120, 0}, 4)), 1, 1, {40, 80, 120, 0}},
        // Each reduced row from its own two rows: black above, white below.
        {"two reduced rows", make_image(2, 4, 24, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255}),
         1, 2, {0, 0, 0, 255, 255, 255}},
        // 5 x 3: the last column and the last row are left out; they hold white, the rest black.
        {"odd sizes", make_image(5, 3, 24, [] {
             std::vector<uint8_t> p(5 * 3 * 3, 0);
             for (int x = 0; x < 5; ++x) p[(2 * 5 + x) * 3] = p[(2 * 5 + x) * 3 + 1] = p[(2 * 5 + x) * 3 + 2] = 255;
             for (int y = 0; y < 3; ++y) p[(y * 5 + 4) * 3] = p[(y * 5 + 4) * 3 + 1] = p[(y * 5 + 4) * 3 + 2] = 255;
             return p;
         }()),
         2, 1, std::vector<uint8_t>(6, 0)},
        {"one pixel halves to nothing", make_image(1, 1, 32, {1, 2, 3, 4}), 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Image half = halve_image(c.image);
        EXPECT_EQ(half.width, c.width);
        EXPECT_EQ(half.height, c.height);
        EXPECT_EQ(half.bits_per_pixel, c.image.bits_per_pixel);
        EXPECT_EQ(half.pixels, c.expected);
    }
}

// The 8-bit value a field of the given width shows once expanded (bit replication).
int shown(int q, int bits) { return bits == 4 ? q * 17 : bits == 5 ? (q << 3) | (q >> 2) : (q << 2) | (q >> 4); }

TEST(Dither, FlatColoursKeepTheirMeanAndExactOnesStayFlat)
{
    constexpr int SIDE = 64;
    struct Channel {
        int byte;  // blue 0, green 1, red 2, alpha 3
        int bits;
        int value;
    };
    struct Case {
        const char* what;
        int32_t format;
        std::vector<uint8_t> pixel;  // blue, green, red, alpha
        std::vector<Channel> channels;
        bool flat;  // every channel's value is one a field shows exactly
    } cases[] = {
        // Halfway between the expansions of 10 and 11 (82, 90) in five bits, 20 and 21 (81, 85) in six.
        {"565 halfway", QFB_FORMAT_565, {86, 83, 86, 255}, {{0, 5, 86}, {1, 6, 83}, {2, 5, 86}}, false},
        {"565 shown exactly", QFB_FORMAT_565, {82, 81, 90, 200}, {{0, 5, 82}, {1, 6, 81}, {2, 5, 90}}, true},
        // Alpha in 4444 is dithered too: 128 lies between 119 and 136.
        {"4444 alpha halfway", QFB_FORMAT_4444, {17, 34, 51, 128}, {{0, 4, 17}, {1, 4, 34}, {2, 4, 51}, {3, 4, 128}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Image image = make_image(SIDE, SIDE, 32, repeat(c.pixel, SIDE * SIDE));
        dither_image(image, c.format);
        for (const Channel& ch : c.channels) {
            double sum = 0;
            bool all_shown = true, all_same = true;
            for (int i = 0; i < SIDE * SIDE; ++i) {
                const int v = image.pixels[i * 4 + ch.byte];
                sum += v;
                all_shown = all_shown && v == shown(v >> (8 - ch.bits), ch.bits);
                all_same = all_same && v == ch.value;
            }
            const double step = shown(1, ch.bits);
            EXPECT_TRUE(all_shown) << "every value is a field's expansion";
            EXPECT_NEAR(sum / (SIDE * SIDE), ch.value, step / 4) << "channel " << ch.byte;
            if (c.flat) {
                EXPECT_TRUE(all_same) << "channel " << ch.byte;
            }
        }
        for (int i = 0; i < SIDE * SIDE && c.format != QFB_FORMAT_4444; ++i) {
            ASSERT_EQ(image.pixels[i * 4 + 3], c.pixel[3]) << "alpha is kept";
        }
    }
}

// The choice against the plain rule, for every value the error diffusion can reach (shares of
// errors of at most half a step at 4 bits keep values within 16 steps past either end): taken
// within 0 .. 255, the nearest field's expansion (the lower on a tie), and the value less it.
TEST(Dither, FieldChoiceIsTheNearestFieldForEveryValue)
{
    constexpr int32_t REACH = 16 * DITHER_ONE;
    for (int bits : {4, 5, 6}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        for (int32_t value = -REACH; value < DITHER_MAX_VALUE + DITHER_ONE + REACH; ++value) {
            const int32_t taken = std::min(std::max(value, 0), DITHER_MAX_VALUE);
            int32_t best = 0;
            for (int q = 1; q < (1 << bits); ++q)
                if (std::abs(taken - shown(q, bits) * DITHER_ONE) < std::abs(taken - best)) best = shown(q, bits) * DITHER_ONE;
            int32_t error = 0;
            const int32_t got = choose_field(value, bits, error);
            if (got != best || error != taken - best) {
                ADD_FAILURE() << "value " << value << ": shows " << got << " leaving " << error << ", not " << best
                              << " leaving " << taken - best;
                break;
            }
        }
    }
}

// Two images at once give each image's own bytes, for every format and depth, on noise (values
// across the whole range, so every field and halfway point is met), on ramps into both ends
// (errors pushing values past 0 and 255), and on sizes with one pixel, odd widths and single rows.
TEST(Dither, TwoImagesAtOnceGiveEachItsOwnBytes)
{
    enum Content { noise, ramps };
    const struct Row {
        int32_t format, bits, width, height;
        Content content;
    } rows[] = {
        {QFB_FORMAT_565, 32, 67, 41, noise},   {QFB_FORMAT_4444, 32, 67, 41, noise},
        {QFB_FORMAT_1555, 32, 67, 41, noise},  {QFB_FORMAT_565, 24, 67, 41, noise},
        {QFB_FORMAT_1555, 24, 67, 41, noise},  {QFB_FORMAT_4444, 32, 256, 64, ramps},
        {QFB_FORMAT_565, 24, 256, 64, ramps},  {QFB_FORMAT_1555, 32, 1, 1, noise},
        {QFB_FORMAT_565, 32, 1, 7, noise},     {QFB_FORMAT_4444, 32, 7, 1, noise},
    };
    std::mt19937 random(2026);
    auto make = [&](const Row& row) {
        std::vector<uint8_t> pixels(static_cast<size_t>(row.width) * row.height * (row.bits / 8));
        for (size_t i = 0; i < pixels.size(); ++i) {
            const size_t x = i / (row.bits / 8) % static_cast<size_t>(row.width);
            pixels[i] = row.content == noise ? static_cast<uint8_t>(random()) : static_cast<uint8_t>(x < 128 ? x / 8 : 255 - (x - 128) / 8);
        }
        return make_image(row.width, row.height, row.bits, pixels);
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "format " << row.format << ", " << row.bits << " bits, " << row.width << " x "
                                        << row.height);
        Image first = make(row), second = make(row);
        Image together_first = first, together_second = second;
        dither_image(first, row.format);
        dither_image(second, row.format);
        dither_images(together_first, together_second, row.format);
        EXPECT_EQ(together_first.pixels, first.pixels) << "first of two";
        EXPECT_EQ(together_second.pixels, second.pixels) << "second of two";
    }
}

}  // namespace
