// The image library's pixel work in process: the 2 x 2 linear-light reduction behind mipmaps, and the
// dithering to 16-bit channel widths.
#include <gtest/gtest.h>

#include <qfb/qfb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "alpha_edges.h"
#include "blue_noise.h"
#include "dither.h"
#include "levels.h"
#include "stable_chain.h"

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

// What a field shows on a GPU: round(q x 255 / max).
int shown(int q, int bits) { return static_cast<int>(std::lround(q * 255.0 / ((1 << bits) - 1))); }

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
      for (const DitherMethod method : {DitherMethod::diffusion, DitherMethod::ordered, DitherMethod::bayer, DitherMethod::stable}) {
        SCOPED_TRACE(testing::Message() << c.what << ", method " << static_cast<int>(method));
        Image image = make_image(SIDE, SIDE, 32, repeat(c.pixel, SIDE * SIDE));
        DitherOptions options;
        options.method = method;
        dither_image(image, c.format, options);
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

// Noise with a fully transparent square of its own noise in the middle.
Image noise_sprite(int32_t side, uint32_t seed, bool wild_hole)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> pixels(static_cast<size_t>(side) * side * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(random() % 200 + 28);
    for (int32_t y = side / 4; y < 3 * side / 4; ++y)
        for (int32_t x = side / 4; x < 3 * side / 4; ++x)
            for (int c = 0; c < 4; ++c) {
                const size_t at = (static_cast<size_t>(y) * side + x) * 4 + c;
                pixels[at] = c == 3 ? 0 : wild_hole ? static_cast<uint8_t>(random()) : 0;
            }
    return make_image(side, side, 32, pixels);
}

// What stands still stays the same from frame to frame with ordered and stable; no colour of a
// fully transparent pixel reaches a visible pixel, with every method.
TEST(Dither, StillPixelsStayAndHiddenColourReachesNothing)
{
    for (const DitherMethod method : {DitherMethod::diffusion, DitherMethod::ordered, DitherMethod::bayer, DitherMethod::stable}) {
        for (const auto& [format, side] : {std::pair{QFB_FORMAT_565, 48}, std::pair{QFB_FORMAT_4444, 48},
                                           std::pair{QFB_FORMAT_1555, 48}, std::pair{QFB_FORMAT_4444, 256},
                                           std::pair{QFB_FORMAT_565, 512}}) {
            SCOPED_TRACE(testing::Message() << "method " << static_cast<int>(method) << ", format " << format << ", side " << side);
            DitherOptions options;
            options.method = method;
            const Image source = noise_sprite(side, 1, false);
            // The hole's colour, black or noise, changes no visible pixel's result.
            Image black = source, wild = noise_sprite(side, 1, true);
            dither_image(black, format, options);
            dither_image(wild, format, options);
            for (size_t i = 0; i < black.pixels.size(); i += 4)
                if (source.pixels[i + 3] != 0) {
                    ASSERT_EQ(std::vector<uint8_t>(black.pixels.begin() + i, black.pixels.begin() + i + 4),
                              std::vector<uint8_t>(wild.pixels.begin() + i, wild.pixels.begin() + i + 4))
                        << "pixel " << i / 4;
                }
            if (method != DitherMethod::ordered && method != DitherMethod::stable) continue;
            // A second frame with a 6 x 6 patch changed across a band's bottom (stable cuts a tall
            // frame into four bands, or eight from 512 rows): every other pixel keeps its bytes,
            // and the patch is dithered from its new values (within two of the widest steps).
            Image next = source;
            const int32_t top = side / 4 - 3;
            for (int32_t y = top; y < top + 6; ++y)
                for (int32_t x = 30; x < 36; ++x) next.pixels[(static_cast<size_t>(y) * side + x) * 4] ^= 0x55;
            Image first = source, second = next;
            dither_image(first, format, options);
            dither_after(second, next, kept_pixels(next, source), first, format, options);
            int changed_outside = 0, patch_astray = 0;
            const int widest = format == QFB_FORMAT_4444 ? 17 : 9;
            for (int32_t y = 0; y < side; ++y)
                for (int32_t x = 0; x < side; ++x) {
                    const size_t at = (static_cast<size_t>(y) * side + x) * 4;
                    const bool in_patch = y >= top && y < top + 6 && x >= 30 && x < 36;
                    for (size_t c = 0; c < 3 && in_patch; ++c)
                        patch_astray += std::abs(second.pixels[at + c] - next.pixels[at + c]) > 2 * widest;
                    changed_outside += !in_patch && !std::equal(first.pixels.begin() + at, first.pixels.begin() + at + 4,
                                                                second.pixels.begin() + at);
                }
            EXPECT_EQ(changed_outside, 0);
            EXPECT_EQ(patch_astray, 0);
        }
    }
}

// stable's chain gives each frame the bytes of dithering the frames one after another, whichever
// threads give them, each frame's pieces following those of the frame before: each frame after
// the first has a patch changed, across band edges of frames cut in four and in eight.
TEST(Dither, StableChainMatchesFramesInTurn)
{
    for (const int32_t side : {256, 512}) {
        SCOPED_TRACE(testing::Message() << "side " << side);
        constexpr size_t FRAMES = 7;
        std::vector<Image> frames(FRAMES, noise_sprite(side, 3, false));
        for (size_t f = 1; f < FRAMES; ++f)
            for (int32_t y = 30 * static_cast<int32_t>(f); y < 30 * static_cast<int32_t>(f) + 40; ++y)
                for (int32_t x = 10; x < 50; ++x) frames[f].pixels[(static_cast<size_t>(y) * side + x) * 4 + 1] ^= 0x3C;
        DitherOptions options;
        options.method = DitherMethod::stable;
        std::vector<Image> wanted(FRAMES);
        for (size_t f = 0; f < FRAMES; ++f) {
            wanted[f] = frames[f];
            if (f == 0) {
                dither_image(wanted[f], QFB_FORMAT_4444, options);
            } else {
                dither_after(wanted[f], frames[f], kept_pixels(frames[f], frames[f - 1]), wanted[f - 1], QFB_FORMAT_4444,
                             options);
            }
        }
        StableChain chain;
        std::vector<std::shared_ptr<const Image>> got(FRAMES);
        std::vector<std::thread> threads;
        // Three threads take every third place, each in order as a job's threads take their pieces.
        for (size_t t = 0; t < 3; ++t)
            threads.emplace_back([&, t] {
                for (size_t f = t; f < FRAMES; f += 3)
                    got[f] = chain.dither(f, frames[f], QFB_FORMAT_4444, options);
            });
        for (std::thread& thread : threads) thread.join();
        for (size_t f = 0; f < FRAMES; ++f) EXPECT_EQ(got[f]->pixels, wanted[f].pixels) << "frame " << f;
    }
}

// Ordered dithering's matrices hold every rank once, and the blue-noise table is what its
// generator makes.
TEST(Dither, ThresholdMatricesAreWholeAndTheTableIsTheGenerators)
{
    std::vector<uint16_t> blue(BLUE_NOISE, BLUE_NOISE + BLUE_NOISE_SIDE * BLUE_NOISE_SIDE), bayer(BAYER, BAYER + 64);
    EXPECT_EQ(make_blue_noise(), blue);
    for (std::vector<uint16_t>* ranks : {&blue, &bayer}) {
        std::sort(ranks->begin(), ranks->end());
        for (size_t i = 0; i < ranks->size(); ++i) ASSERT_EQ((*ranks)[i], i);
    }
}

// Bleeding fills the colour of transparent pixels and touches nothing else; keeping coverage
// holds the share of pixels that pass the alpha test on a sprite that thins out as it shrinks.
TEST(AlphaEdges, BleedTouchesOnlyHiddenColourAndCoverageHolds)
{
    Image sprite = noise_sprite(32, 7, true);
    const Image before = sprite;
    bleed_colour(sprite);
    for (size_t i = 0; i < sprite.pixels.size(); i += 4) {
        ASSERT_EQ(sprite.pixels[i + 3], before.pixels[i + 3]) << "alpha";
        if (before.pixels[i + 3] != 0) {
            ASSERT_TRUE(std::equal(sprite.pixels.begin() + i, sprite.pixels.begin() + i + 4, before.pixels.begin() + i));
        }
    }
    // The hole's centre takes the colours of the visible ring around it, not its own noise.
    const size_t centre = (16 * 32 + 16) * 4;
    EXPECT_GE(sprite.pixels[centre], 28);
    EXPECT_LT(sprite.pixels[centre], 228);

    // Sparse opaque dots (one pixel in ten) on faint alpha: averaging alone thins them out, as
    // few 2 x 2 blocks hold two dots, and an alpha test at 128 drops most of each level.
    std::mt19937 random(3);
    constexpr int32_t SIDE = 256;
    std::vector<uint8_t> lines(SIDE * SIDE * 4, 0);
    for (size_t p = 0; p < SIDE * SIDE; ++p) lines[p * 4 + 3] = static_cast<uint8_t>(random() % 10 == 0 ? 255 : random() % 60);
    for (const int32_t threshold : {128, 200}) {
        SCOPED_TRACE(threshold);
        std::vector<Image> levels = {make_image(SIDE, SIDE, 32, lines)};
        std::vector<Image> thinned = levels;
        complete_levels(thinned, {""}, 1, [](int32_t, bool) {});
        complete_levels(levels, {""}, 3, [](int32_t, bool) {}, threshold);  // down to 32 x 32, 1024 pixels
        EXPECT_LT(pixels_covered(thinned[1], threshold) * 4 * 4, pixels_covered(levels[0], threshold) * 3)
            << "averaging alone keeps less than 3/4 of the share";
        const double share = static_cast<double>(pixels_covered(levels[0], threshold)) / (SIDE * SIDE);
        for (size_t level = 1; level < levels.size(); ++level) {
            const double got = static_cast<double>(pixels_covered(levels[level], threshold)) / (levels[level].pixels.size() / 4);
            EXPECT_NEAR(got, share, 0.01) << "level " << level;
        }
    }
}

}  // namespace
