// Tests of the Targa loader: the run-length row decoder, whole files of every depth and row
// order, colour maps, and the refusals of short, broken or oversized pixel data.
#include <gtest/gtest.h>

#include <cstring>

#include "targa/targa_loader.h"
#include "tests/support/test_support.h"

using qfbtest::Bytes;
using qfbtest::Tga;

namespace {

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes repeat(const Bytes& pixel, size_t times)
{
    Bytes out;
    while (times-- > 0) out.insert(out.end(), pixel.begin(), pixel.end());
    return out;
}

const Bytes P = {1, 2, 3}, Q = {4, 5, 6}, R = {7, 8, 9}, S = {10, 11, 12};

struct RowCase {
    const char* name;
    Bytes source;
    size_t pixels;
    int bytes_per_pixel;
    TargaError error;
    size_t consumed;
    Bytes row;
};

const RowCase row_cases[] = {
    {"run of four", cat({{0x83}, P}), 4, 3, TargaError::none, 4, repeat(P, 4)},
    {"run then raw", cat({{0x80}, P, {0x02}, Q, R, S}), 4, 3, TargaError::none, 14, cat({P, Q, R, S})},
    {"longest run", cat({{0xFF}, P}), 128, 3, TargaError::none, 4, repeat(P, 128)},
    {"longest raw", cat({{0x7F}, repeat(Q, 128)}), 128, 3, TargaError::none, 385, repeat(Q, 128)},
    {"run of 8-bit pixels", {0x84, 7}, 5, 1, TargaError::none, 2, Bytes(5, 7)},
    {"run of 16-bit pixels", {0x82, 1, 2}, 3, 2, TargaError::none, 3, {1, 2, 1, 2, 1, 2}},
    {"run of 32-bit pixels", {0x81, 1, 2, 3, 4}, 2, 4, TargaError::none, 5, {1, 2, 3, 4, 1, 2, 3, 4}},
    {"next row's bytes left alone", cat({{0x81}, P, {0x83}, Q}), 2, 3, TargaError::none, 4, repeat(P, 2)},
    {"empty row", {}, 0, 3, TargaError::none, 0, {}},
    {"no source", {}, 1, 3, TargaError::pixel_data_short, 0, {}},
    {"run without its pixel", {0x83, 1, 2}, 4, 3, TargaError::pixel_data_short, 0, {}},
    {"raw packet cut short", cat({{0x01}, P, {7, 8}}), 2, 3, TargaError::pixel_data_short, 0, {}},
    {"packets end before the row", cat({{0x81}, P}), 3, 3, TargaError::pixel_data_short, 0, {}},
    {"run past the row end", cat({{0x84}, P}), 4, 3, TargaError::rle_packet_crosses_row, 0, {}},
    {"raw past the row end", cat({{0x01}, P, Q}), 1, 3, TargaError::rle_packet_crosses_row, 0, {}},
    {"second packet past the row end", cat({{0x81}, P, {0x81}, Q}), 3, 3, TargaError::rle_packet_crosses_row, 0, {}},
};

TEST(TargaLoader, DecodeRleRowStaysWithinItsRowAndSource)
{
    for (const RowCase& c : row_cases) {
        SCOPED_TRACE(c.name);
        // Exact-size heap copies, so any access outside them shows under the address sanitizer.
        std::unique_ptr<uint8_t[]> source(new uint8_t[c.source.size()]);
        std::copy(c.source.begin(), c.source.end(), source.get());
        const size_t row_bytes = c.pixels * static_cast<size_t>(c.bytes_per_pixel);
        Bytes dest(row_bytes + 8, 0xEE);
        size_t consumed = 99;
        EXPECT_EQ(decode_rle_row(dest.data(), source.get(), c.source.size(), c.pixels, c.bytes_per_pixel, consumed), c.error);
        EXPECT_EQ(Bytes(dest.begin() + static_cast<long>(row_bytes), dest.end()), Bytes(8, 0xEE));
        if (c.error != TargaError::none) continue;
        EXPECT_EQ(consumed, c.consumed);
        EXPECT_EQ(Bytes(dest.begin(), dest.begin() + static_cast<long>(row_bytes)), c.row);
    }
}

// Loads bytes written to a fresh file; dest has room for dest_size bytes plus guard bytes.
struct Loaded {
    int result;
    TargaError why;
    Bytes dest;
    Bytes palette;
};

Loaded load(const Bytes& file, size_t dest_size, bool with_palette = false)
{
    qfbtest::TempDir dir;
    qfbtest::write_file(dir.file("in.tga"), file);
    Loaded out{-1, TargaError::none, Bytes(dest_size + 16, 0xEE), Bytes(TARGA_PALETTE_BYTES, 0xAA)};
    out.result = read_targa(dir.file("in.tga").c_str(), out.dest.data(), dest_size,
                            with_palette ? out.palette.data() : nullptr, &out.why);
    return out;
}

TEST(TargaLoader, EveryDepthAndRowOrderLoadsTopRowFirst)
{
    const int sizes[][2] = {{1, 1}, {3, 2}, {130, 3}, {257, 2}, {0, 5}, {5, 0}};
    for (int depth : {8, 16, 24, 32})
        for (bool rle : {false, true})
            for (bool top_first : {true, false})
                for (const auto& size : sizes) {
                    const int w = size[0], h = size[1];
                    SCOPED_TRACE(testing::Message() << depth << " bits, rle " << rle << ", top first " << top_first
                                                    << ", " << w << "x" << h);
                    const Bytes pixels = qfbtest::pattern(w, h, depth / 8, static_cast<uint32_t>(w + depth));
                    Tga tga = rle ? qfbtest::rle_image(w, h, depth, pixels, top_first)
                                  : qfbtest::raw_image(w, h, depth, pixels, top_first);
                    const Loaded got = load(tga.to_bytes(), pixels.size());
                    ASSERT_EQ(got.result, 0) << targa_error_text(got.why);
                    EXPECT_EQ(Bytes(got.dest.begin(), got.dest.begin() + static_cast<long>(pixels.size())), pixels);
                    EXPECT_EQ(Bytes(got.dest.begin() + static_cast<long>(pixels.size()), got.dest.end()), Bytes(16, 0xEE));
                }
}

// A 2 x 2 24-bit image of the pixels P Q / R S, top row first.
Tga small(bool rle = false, bool top_first = true)
{
    const Bytes pixels = cat({P, Q, R, S});
    return rle ? qfbtest::rle_image(2, 2, 24, pixels, top_first) : qfbtest::raw_image(2, 2, 24, pixels, top_first);
}

struct FileCase {
    const char* name;
    Tga tga;
    size_t dest_size;
    bool with_palette;
    TargaError error;
    Bytes pixels;   // expected destination when loaded
    Bytes palette;  // expected palette (768 bytes) when with_palette
};

Tga edited(Tga tga, void (*edit)(Tga&))
{
    edit(tga);
    return tga;
}

// Two colour map entries stored blue, green, red; a 2 x 1 image of the indices 1, 0.
Tga mapped(uint8_t entry_size, uint16_t entries, size_t stored_bytes)
{
    Tga tga;
    tga.image_type = 1;
    tga.pixel_depth = 8;
    tga.width = 2;
    tga.height = 1;
    tga.colour_map_type = 1;
    tga.colour_map_entry_size = entry_size;
    tga.colour_map_length = entries;
    for (size_t i = 0; i < stored_bytes; ++i) tga.colour_map.push_back(static_cast<uint8_t>(0x10 + i));
    tga.data = {1, 0};
    return tga;
}

const Bytes two_entry_palette = cat({{0x12, 0x11, 0x10, 0x15, 0x14, 0x13}, Bytes(762, 0)});
const Bytes untouched_palette(TARGA_PALETTE_BYTES, 0xAA);

const FileCase file_cases[] = {
    {"bottom row first", small(false, false), 12, false, TargaError::none, cat({P, Q, R, S}), {}},
    {"id field skipped", edited(small(), [](Tga& t) { t.id = Bytes(20, 0x55); }), 12, false, TargaError::none, cat({P, Q, R, S}), {}},
    {"extra bytes ignored", edited(small(true), [](Tga& t) { t.data.resize(t.data.size() + 50, 0x80); }), 12, false, TargaError::none, cat({P, Q, R, S}), {}},
    {"exact destination", small(), 12, false, TargaError::none, cat({P, Q, R, S}), {}},
    {"true colour leaves the palette", small(), 12, true, TargaError::none, cat({P, Q, R, S}), untouched_palette},
    {"height 0 with data", edited(small(), [](Tga& t) { t.height = 0; }), 0, false, TargaError::none, {}, {}},
    {"width 0 without data", edited(small(), [](Tga& t) { t.width = 0, t.data.clear(); }), 0, false, TargaError::none, {}, {}},
    {"colour map into the palette", mapped(24, 2, 6), 2, true, TargaError::none, {1, 0}, two_entry_palette},
    {"24-bit colour map skipped", mapped(24, 2, 6), 2, false, TargaError::none, {1, 0}, {}},
    {"16-bit colour map skipped", mapped(16, 3, 6), 2, false, TargaError::none, {1, 0}, {}},
    {"15-bit colour map skipped", mapped(15, 1, 2), 2, false, TargaError::none, {1, 0}, {}},
    {"32-bit colour map skipped", mapped(32, 257, 1028), 2, false, TargaError::none, {1, 0}, {}},
    {"32-bit colour map for a palette", mapped(32, 1, 4), 2, true, TargaError::colour_map_unsupported, {}, untouched_palette},
    {"16-bit colour map for a palette", mapped(16, 1, 2), 2, true, TargaError::colour_map_unsupported, {}, untouched_palette},
    {"257 entries for a palette", mapped(24, 257, 771), 2, true, TargaError::colour_map_unsupported, {}, untouched_palette},
    {"colour map cut short", edited(mapped(24, 3, 6), [](Tga& t) { t.data.clear(); }), 2, false, TargaError::colour_map_short, {}, {}},
    {"colour map cut short with palette", edited(mapped(24, 3, 6), [](Tga& t) { t.data.clear(); }), 2, true, TargaError::colour_map_short, {}, untouched_palette},
    {"destination one byte short", small(), 11, false, TargaError::too_large_for_destination, {}, {}},
    // The tool's 2 MiB pixel buffer holds 1024 x 682 at 24 bits (refused later for want of data), not 1024 x 683.
    {"1024x682 in the pixel buffer", edited(small(), [](Tga& t) { t.width = 1024, t.height = 682; }), 2097152, false, TargaError::pixel_data_short, {}, {}},
    {"1024x683 in the pixel buffer", edited(small(), [](Tga& t) { t.width = 1024, t.height = 683; }), 2097152, false, TargaError::too_large_for_destination, {}, {}},
    {"raw data one byte short", edited(small(), [](Tga& t) { t.data.pop_back(); }), 12, false, TargaError::pixel_data_short, {}, {}},
    {"no pixel data", edited(small(), [](Tga& t) { t.data.clear(); }), 12, false, TargaError::pixel_data_short, {}, {}},
    {"rle rows missing", edited(small(true), [](Tga& t) { t.data.resize(4); }), 12, false, TargaError::pixel_data_short, {}, {}},
    {"rle packet across two rows", edited(small(true), [](Tga& t) { t.data = cat({{0x83}, P}); }), 12, false, TargaError::rle_packet_crosses_row, {}, {}},
    {"large rle image with few bytes", edited(small(true), [](Tga& t) { t.width = 4096, t.height = 256, t.pixel_depth = 8; }), size_t{1} << 20, false, TargaError::pixel_data_short, {}, {}},
};

TEST(TargaLoader, FilesLoadOrAreRefusedWithTheirReason)
{
    for (const FileCase& c : file_cases) {
        SCOPED_TRACE(c.name);
        const Loaded got = load(c.tga.to_bytes(), c.dest_size, c.with_palette);
        EXPECT_EQ(got.why, c.error) << targa_error_text(got.why);
        EXPECT_EQ(got.result, c.error == TargaError::none ? 0 : 1);
        if (c.error == TargaError::none) {
            EXPECT_EQ(Bytes(got.dest.begin(), got.dest.begin() + static_cast<long>(c.pixels.size())), c.pixels);
        }
        // Only broken pixel data may leave partial rows; other refusals come before any write.
        const bool may_write = c.error == TargaError::none || c.error == TargaError::pixel_data_short ||
                               c.error == TargaError::rle_packet_crosses_row;
        const size_t untouched_from = may_write ? c.dest_size : 0;
        EXPECT_EQ(Bytes(got.dest.begin() + static_cast<long>(untouched_from), got.dest.end()),
                  Bytes(c.dest_size + 16 - untouched_from, 0xEE));
        if (c.with_palette) {
            EXPECT_EQ(got.palette, c.palette);
        }
    }
}

}  // namespace
