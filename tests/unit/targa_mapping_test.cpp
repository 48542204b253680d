// Tests of the mapping loader: it maps what read_targa loads and refuses what read_targa
// refuses, hands run-length and empty images to read_targa, survives a file cut short under
// the mapping, and its rows through select_converter give create_bitmap's words and notice.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "output/pixel_convert.h"
#include "targa/targa_loader.h"
#include "targa/targa_mapping.h"
#include "tests/support/test_support.h"

using qfbtest::Bytes;
using qfbtest::Tga;

namespace {

Tga raw(int w, int h, int depth, bool top_first = true, uint32_t seed = 1)
{
    return qfbtest::raw_image(w, h, depth, qfbtest::pattern(w, h, depth / 8, seed), top_first);
}

Tga edited(Tga tga, void (*edit)(Tga&))
{
    edit(tga);
    return tga;
}

// Copies every visited row into a top-first image and counts the rows.
struct Copy {
    Bytes pixels;
    size_t row_bytes;
    int32_t rows;
};

void copy_row(const uint8_t* row, int32_t top_row, void* context)
{
    Copy& copy = *static_cast<Copy*>(context);
    std::memcpy(copy.pixels.data() + static_cast<size_t>(top_row) * copy.row_bytes, row, copy.row_bytes);
    ++copy.rows;
}

struct MapCase {
    const char* name;
    Tga tga;
    size_t dest_size;
    TargaError error;
    bool use_loader;
};

const MapCase map_cases[] = {
    {"24 bits top first", raw(5, 3, 24), 45, TargaError::none, false},
    {"24 bits bottom up", raw(5, 3, 24, false), 45, TargaError::none, false},
    {"32 bits bottom up, rows across pages", raw(1000, 9, 32, false), 36000, TargaError::none, false},
    {"8-bit indices, colour map skipped", edited(raw(3, 2, 8), [](Tga& t) {
         t.image_type = 1, t.colour_map_type = 1, t.colour_map_entry_size = 24, t.colour_map_length = 2;
         t.colour_map = Bytes(6, 0x42);
     }), 6, TargaError::none, false},
    // Pixels that start three pages into the file, at no page boundary.
    {"pixels after a large colour map", edited(raw(7, 5, 32, false), [](Tga& t) {
         t.colour_map_type = 1, t.colour_map_entry_size = 32, t.colour_map_length = 3000;
         t.colour_map = Bytes(12000, 0x42);
         t.id = Bytes(200, 0x55);
     }), 140, TargaError::none, false},
    {"bytes after the pixels", edited(raw(4, 4, 24), [](Tga& t) { t.data.resize(t.data.size() + 9, 1); }), 48,
     TargaError::none, false},
    {"run-length data", qfbtest::rle_image(4, 2, 24, qfbtest::pattern(4, 2, 3)), 24, TargaError::none, true},
    {"no rows", edited(raw(4, 4, 24), [](Tga& t) { t.height = 0; }), 48, TargaError::none, true},
    {"no columns", edited(raw(4, 4, 24), [](Tga& t) { t.width = 0; }), 48, TargaError::none, true},
    {"pixel data one byte short", edited(raw(4, 4, 24), [](Tga& t) { t.data.pop_back(); }), 48,
     TargaError::pixel_data_short, false},
    {"destination one byte short", raw(4, 4, 24), 47, TargaError::too_large_for_destination, false},
    {"colour map cut short", edited(raw(2, 2, 8), [](Tga& t) {
         t.colour_map_type = 1, t.colour_map_entry_size = 24, t.colour_map_length = 200, t.data.clear();
     }), 4, TargaError::colour_map_short, false},
    {"bad depth", edited(raw(2, 2, 24), [](Tga& t) { t.pixel_depth = 17; }), 12, TargaError::bad_pixel_depth, false},
    {"header cut short", Tga{}, 0, TargaError::truncated_header, false},
};

TEST(TargaMapping, MapsWhatReadTargaLoadsAndRefusesWhatItRefuses)
{
    qfbtest::TempDir dir;
    for (const MapCase& c : map_cases) {
        SCOPED_TRACE(c.name);
        const std::string name = dir.file("in.tga");
        Bytes bytes = c.tga.to_bytes();
        if (c.error == TargaError::truncated_header) bytes.resize(10);
        qfbtest::write_file(name, bytes);

        Bytes loaded(c.dest_size);
        TargaError loader_error = TargaError::none;
        read_targa(name.c_str(), loaded.data(), c.dest_size, nullptr, &loader_error);
        MappedTarga image;
        bool use_loader = !c.use_loader;
        EXPECT_EQ(map_targa(name.c_str(), c.dest_size, image, use_loader), c.error);
        EXPECT_EQ(loader_error, c.error);
        EXPECT_EQ(use_loader, c.use_loader);
        EXPECT_EQ(image.is_mapped(), c.error == TargaError::none && !c.use_loader);

        Copy copy{Bytes(c.dest_size, 0xEE), image.row_bytes(), 0};
        EXPECT_EQ(image.for_each_row(copy_row, &copy), TargaError::none);
        if (!image.is_mapped()) {
            EXPECT_EQ(copy.rows, 0);
            continue;
        }
        EXPECT_EQ(image.width(), c.tga.width);
        EXPECT_EQ(image.height(), c.tga.height);
        EXPECT_EQ(image.bits_per_pixel(), c.tga.pixel_depth);
        EXPECT_EQ(copy.rows, image.height());
        EXPECT_EQ(copy.pixels, loaded);
    }
    MappedTarga image;
    bool use_loader = true;
    EXPECT_EQ(map_targa(dir.file("missing.tga").c_str(), 100, image, use_loader), TargaError::cannot_open);
    EXPECT_FALSE(use_loader);
}

// The handler from before the walk: a SIGBUS that reaches it got past the walk's guard.
void test_handler(int)
{
    const char message[] = "SIGBUS got past the walk's guard\n";
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    _exit(99);
}

TEST(TargaMapping, FileCutShortUnderTheMappingIsAnErrorNotACrash)
{
    constexpr int W = 256, H = 64;  // 64 KiB of pixels: 16 pages
    const struct {
        const char* name;
        bool top_first;
        off_t cut;       // the file's new length
        int32_t intact;  // rows surely visited before the cut was noticed
    } cases[] = {
        {"emptied, bottom up", false, 0, 0},
        {"emptied, top first", true, 0, 0},
        {"header only", true, 18, 0},
        {"half the rows, top first", true, 18 + W * 4 * H / 2, H / 2},
        {"half the rows, bottom up", false, 18 + W * 4 * H / 2, 0},
        // Still inside the last page: no SIGBUS, the length after the walk tells.
        {"last byte, top first", true, 18 + W * 4 * H - 1, H - 1},
        {"last byte, bottom up", false, 18 + W * 4 * H - 1, 0},
    };
    // The walk must hand SIGBUS back to the handler that was there before it.
    struct sigaction mine {}, before {}, after {};
    mine.sa_handler = test_handler;
    sigemptyset(&mine.sa_mask);
    ASSERT_EQ(sigaction(SIGBUS, &mine, &before), 0);

    qfbtest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Tga tga = raw(W, H, 32, c.top_first, 7);
        const std::string name = dir.file("in.tga");
        qfbtest::write_file(name, tga.to_bytes());
        MappedTarga image;
        bool use_loader = true;
        ASSERT_EQ(map_targa(name.c_str(), W * H * 4, image, use_loader), TargaError::none);
        ASSERT_FALSE(use_loader);
        ASSERT_EQ(truncate(name.c_str(), c.cut), 0);

        Copy copy{Bytes(W * H * 4, 0), image.row_bytes(), 0};
        EXPECT_EQ(image.for_each_row(copy_row, &copy), TargaError::changed_while_reading);
        EXPECT_GE(copy.rows, c.intact);
        const Bytes expected = qfbtest::pattern(W, H, 4, 7);
        const long intact_bytes = static_cast<long>(c.intact) * W * 4;
        EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + intact_bytes, copy.pixels.begin()));
        ASSERT_EQ(sigaction(SIGBUS, nullptr, &after), 0);
        EXPECT_EQ(after.sa_handler, test_handler);
    }
    sigaction(SIGBUS, &before, nullptr);
}

// Converts a mapped image through select_converter, as the frame loop does.
struct Convert {
    const PixelConverter* converter;
    std::vector<uint16_t> words;
    size_t width;
};

void convert_row(const uint8_t* row, int32_t top_row, void* context)
{
    Convert& c = *static_cast<Convert*>(context);
    c.converter->convert(row, c.words.data() + static_cast<size_t>(top_row) * c.width, c.width);
}

TEST(TargaMapping, ConvertedRowsMatchCreateBitmapOfTheLoadedImage)
{
    const struct {
        int32_t depth;
        PixelFormat format;
    } cases[] = {{24, FORMAT_1555}, {24, FORMAT_565}, {32, FORMAT_1555}, {32, FORMAT_4444}, {32, FORMAT_565}};
    constexpr int W = 37, H = 5;  // an odd width leaves a tail after every vector step
    qfbtest::TempDir dir;
    for (const auto& c : cases)
        for (bool top_first : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.depth << " bits, format " << c.format << ", top first " << top_first);
            const std::string name = dir.file("in.tga");
            qfbtest::write_file(name, raw(W, H, c.depth, top_first, 3).to_bytes());
            const size_t image_bytes = W * H * static_cast<size_t>(c.depth / 8);

            Bytes loaded(image_bytes);
            ASSERT_EQ(read_targa(name.c_str(), loaded.data(), image_bytes, nullptr), 0);
            std::vector<uint16_t> expected(W * H + 1, 0xEEEE);
            testing::internal::CaptureStdout();
            create_bitmap(loaded.data(), expected.data(), W, H, c.depth, c.format);
            std::fflush(stdout);
            const std::string notice = testing::internal::GetCapturedStdout();

            Convert got{select_converter(c.depth, c.format), std::vector<uint16_t>(W * H + 1, 0xEEEE), W};
            ASSERT_NE(got.converter, nullptr);
            EXPECT_EQ(got.converter->notice, notice);
            EXPECT_EQ(got.converter->source_bytes * 8, static_cast<size_t>(c.depth));
            MappedTarga image;
            bool use_loader = true;
            ASSERT_EQ(map_targa(name.c_str(), image_bytes, image, use_loader), TargaError::none);
            ASSERT_FALSE(use_loader);
            EXPECT_EQ(image.for_each_row(convert_row, &got), TargaError::none);
            EXPECT_EQ(got.words, expected);
        }
    // The combinations create_bitmap refuses have no converter.
    EXPECT_EQ(select_converter(24, FORMAT_4444), nullptr);
    EXPECT_EQ(select_converter(24, static_cast<PixelFormat>(3)), nullptr);
    EXPECT_EQ(select_converter(32, static_cast<PixelFormat>(-1)), nullptr);
}

}  // namespace
