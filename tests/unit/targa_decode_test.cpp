// The Targa reader on bytes in memory, where every refusal is decided: the header check (what it
// takes, what it names instead), the loading checks, the run-length row decoder, whole images of
// every depth and row order, files written by other programs against their reference pictures,
// and the saved files that must stay refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

#include "targa.h"
#include "tests/support/test_support.h"

using qfbtest::Bytes;
using qfbtest::Tga;

namespace {

// Every check on the bytes, as the loader makes them: header, loading checks, then the rows.
struct Decoded {
    TargaError why;
    TargaHeader header;
    Bytes dest;  // dest_size bytes of room, then 16 guard bytes
    Bytes palette;
};

Decoded decode(const Bytes& file, size_t dest_size, bool with_palette = false)
{
    // An exact-size heap copy, so that any read past the end shows under the address sanitizer.
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[file.size() + 1]);
    std::copy(file.begin(), file.end(), bytes.get());
    Decoded out{TargaError::none, {}, Bytes(dest_size + 16, 0xEE), Bytes(TARGA_PALETTE_BYTES, 0xAA)};
    TargaImage image;
    out.why = check_targa_header(bytes.get(), file.size(), out.header);
    if (out.why == TargaError::none)
        out.why = locate_targa_pixels(bytes.get(), file.size(), out.header, dest_size, with_palette ? out.palette.data() : nullptr, image);
    if (out.why == TargaError::none) out.why = decode_targa(image, out.dest.data());
    return out;
}

Tga edited(Tga tga, void (*edit)(Tga&))
{
    edit(tga);
    return tga;
}

// A valid 640 x 480 24-bit header with no pixel data.
const Tga HEADER = [] {
    Tga tga;
    tga.width = 640;
    tga.height = 480;
    return tga;
}();

TEST(TargaHeader, TakesWhatMakeqfbTakesAndNamesWhatItRefuses)
{
    const struct {
        const char* name;
        void (*edit)(Tga&);
        int32_t width, bits;  // as read when accepted
        TargaError error;
    } cases[] = {
        {"plain 640x480", [](Tga&) {}, 640, 24, TargaError::none},
        {"rle 32 bits with 8 alpha bits", [](Tga& t) { t.image_type = 10, t.pixel_depth = 32, t.descriptor = 0x08; }, 640, 32, TargaError::none},
        {"colour-mapped type at 24 bits", [](Tga& t) { t.image_type = 1; }, 640, 24, TargaError::none},
        {"rle colour-mapped type at 8 bits", [](Tga& t) { t.image_type = 9, t.pixel_depth = 8; }, 640, 8, TargaError::none},
        {"24 bits claiming 8 alpha bits", [](Tga& t) { t.descriptor = 0x28; }, 640, 24, TargaError::none},
        {"unused descriptor bits", [](Tga& t) { t.descriptor = 0xD0; }, 640, 24, TargaError::none},
        {"16 bits", [](Tga& t) { t.pixel_depth = 16; }, 640, 16, TargaError::none},
        {"id field of 20 bytes", [](Tga& t) { t.id = Bytes(20, 'x'); }, 640, 24, TargaError::none},
        {"width 0", [](Tga& t) { t.width = 0; }, 0, 24, TargaError::none},
        {"largest size", [](Tga& t) { t.width = 32767, t.height = 32767; }, 32767, 24, TargaError::none},
        {"one alpha bit at 16 bits", [](Tga& t) { t.pixel_depth = 16, t.descriptor = 0x01; }, 0, 0, TargaError::sixteen_bit_colour},
        {"one alpha bit at 32 bits", [](Tga& t) { t.pixel_depth = 32, t.descriptor = 0x21; }, 0, 0, TargaError::bad_alpha_bits},
        {"greyscale type 3", [](Tga& t) { t.image_type = 3; }, 0, 0, TargaError::greyscale_image},
        {"greyscale rle type 11", [](Tga& t) { t.image_type = 11; }, 0, 0, TargaError::greyscale_image},
        {"greyscale with alpha", [](Tga& t) { t.image_type = 3, t.pixel_depth = 16, t.descriptor = 0x08; }, 0, 0, TargaError::greyscale_image},
        {"no image type 0", [](Tga& t) { t.image_type = 0; }, 0, 0, TargaError::bad_image_type},
        {"depth 15", [](Tga& t) { t.pixel_depth = 15; }, 0, 0, TargaError::sixteen_bit_colour},
        {"depth 15, colour-mapped", [](Tga& t) { t.pixel_depth = 15, t.image_type = 1; }, 0, 0, TargaError::bad_pixel_depth},
        {"depth 0", [](Tga& t) { t.pixel_depth = 0; }, 0, 0, TargaError::bad_pixel_depth},
        {"width 32768", [](Tga& t) { t.width = 0x8000; }, 0, 0, TargaError::bad_dimensions},
        {"height 65535", [](Tga& t) { t.height = 0xFFFF; }, 0, 0, TargaError::bad_dimensions},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = edited(HEADER, c.edit).to_bytes();
        TargaHeader header;
        EXPECT_EQ(check_targa_header(file.data(), file.size(), header), c.error);
        if (c.error != TargaError::none) continue;
        EXPECT_EQ(header.width, c.width);
        EXPECT_EQ(header.pixel_depth, c.bits);
    }
}

// A file shorter than its header or its ID field, and other image formats known by their
// signatures (whatever field of theirs the check refuses first, even shorter than a header).
TEST(TargaHeader, RefusesFilesCutShortAndNamesOtherFormats)
{
    const Bytes with_id = edited(HEADER, [](Tga& t) { t.id = Bytes(20, 'x'); }).to_bytes();
    auto bytes = [](const char* text, size_t size, size_t total) {
        Bytes out(text, text + size);
        out.resize(total, 0);
        return out;
    };
    const struct {
        const char* what;
        Bytes file;
        TargaError error;
    } cases[] = {
        {"empty", {}, TargaError::truncated_header},
        {"1 byte", Bytes(with_id.begin(), with_id.begin() + 1), TargaError::truncated_header},
        {"17 bytes", Bytes(with_id.begin(), with_id.begin() + 17), TargaError::truncated_header},
        {"the header only", Bytes(with_id.begin(), with_id.begin() + 18), TargaError::id_field_short},
        {"one byte of the ID short", Bytes(with_id.begin(), with_id.begin() + 37), TargaError::id_field_short},
        {"the whole ID field", with_id, TargaError::none},
        {"PNG", bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x40", 20, 60), TargaError::png_file},
        {"JPEG", bytes("\xff\xd8\xff\xe0\0\x10JFIF", 10, 60), TargaError::jpeg_file},
        {"GIF, 10 bytes", bytes("GIF89a\x10\0\x10\0", 10, 10), TargaError::gif_file},
        {"old GIF", bytes("GIF87a", 6, 40), TargaError::gif_file},
        {"BMP", bytes("BM\x3a\0\0\0\0\0\0\0\x36\0\0\0\x28", 15, 58), TargaError::bmp_file},
        {"WebP", bytes("RIFF\x30\0\0\0WEBPVP8 ", 16, 56), TargaError::webp_file},
        {"BM with reserved bytes set", bytes("BM\x3a\0\0\0\1\0\0\0\x36", 11, 58), TargaError::bad_pixel_depth},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TargaHeader header;
        EXPECT_EQ(check_targa_header(c.file.data(), c.file.size(), header), c.error);
    }
}

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

TEST(TargaDecode, RleRowStaysWithinItsRowAndSource)
{
    const struct {
        const char* name;
        Bytes source;
        size_t pixels;
        int bytes_per_pixel;
        TargaError error;
        size_t consumed;
        Bytes row;
    } cases[] = {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
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

TEST(TargaDecode, EveryDepthAndRowOrderLoadsTopRowFirst)
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
                    const Decoded got = decode(tga.to_bytes(), pixels.size());
                    ASSERT_EQ(got.why, TargaError::none) << targa_error_text(got.why);
                    EXPECT_EQ(got.dest, cat({pixels, Bytes(16, 0xEE)}));
                }
}

// A 2 x 2 24-bit image of the pixels P Q / R S, top row first.
Tga small(bool rle = false, bool top_first = true)
{
    const Bytes pixels = cat({P, Q, R, S});
    return rle ? qfbtest::rle_image(2, 2, 24, pixels, top_first) : qfbtest::raw_image(2, 2, 24, pixels, top_first);
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

TEST(TargaDecode, ImagesLoadOrAreRefusedWithTheirReason)
{
    const Bytes two_entry_palette = cat({{0x12, 0x11, 0x10, 0x15, 0x14, 0x13}, Bytes(762, 0)});
    const Bytes untouched_palette(TARGA_PALETTE_BYTES, 0xAA);
    const struct {
        const char* name;
        Tga tga;
        size_t dest_size;
        bool with_palette;
        TargaError error;
        Bytes pixels;   // expected destination when loaded
        Bytes palette;  // expected palette (768 bytes) when with_palette
    } cases[] = {
        {"bottom row first", small(false, false), 12, false, TargaError::none, cat({P, Q, R, S}), {}},
        {"id field skipped", edited(small(), [](Tga& t) { t.id = Bytes(20, 0x55); }), 12, false, TargaError::none, cat({P, Q, R, S}), {}},
        {"extra bytes ignored", edited(small(true), [](Tga& t) { t.data.resize(t.data.size() + 50, 0x80); }), 12, false, TargaError::none, cat({P, Q, R, S}), {}},
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded got = decode(c.tga.to_bytes(), c.dest_size, c.with_palette);
        EXPECT_EQ(got.why, c.error) << targa_error_text(got.why);
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

const std::string SUITE = std::string(MAKEQFB_TEST_DATA) + "/tga-suite/";
constexpr size_t PIXEL_BUFFER = 2097152;  // makeqfb's load buffer

enum class Mode {
    true_colour,      // pixels are blue, green, red (, alpha)
    through_palette,  // 8-bit indices looked up in the palette the loader fills
    through_file_map  // 8-bit indices looked up in the file's own map (no palette passed)
};

uint32_t u32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24; }

// The colour of index i in the file's own colour map as RGBA, and the bits per channel it holds.
int file_map_colour(const Bytes& file, size_t i, uint8_t rgba[4])
{
    const size_t entry_size = file[7], at = TARGA_HEADER_SIZE + file[0] + i * ((entry_size + 7) / 8);
    if (entry_size <= 16) {  // x1r5g5b5, little-endian
        const unsigned v = file[at] | file[at + 1] << 8;
        rgba[0] = static_cast<uint8_t>(v >> 10 & 31), rgba[1] = static_cast<uint8_t>(v >> 5 & 31);
        rgba[2] = static_cast<uint8_t>(v & 31), rgba[3] = 255;
        return 5;
    }
    rgba[0] = file[at + 2], rgba[1] = file[at + 1], rgba[2] = file[at];
    rgba[3] = entry_size == 32 ? file[at + 3] : 255;
    return 8;
}

// Files written by other programs (tests/data/tga-suite) against reference pictures.
TEST(TargaConformance, SuiteFilesMatchTheirReferencesOrAreRefused)
{
    const struct {
        const char* file;
        const char* reference;  // .rgba beside it: width, height (u32 LE), then RGBA top row first
        Mode mode;
        TargaError error;
        bool compare_alpha;
    } cases[] = {
        {"utc24", "color", Mode::true_colour, TargaError::none, false},
        {"ctc24", "color", Mode::true_colour, TargaError::none, false},
        {"utc32", "color", Mode::true_colour, TargaError::none, false},  // alpha bytes are all 0
        {"ctc32", "color", Mode::true_colour, TargaError::none, false},
        {"ucm8", "color", Mode::through_file_map, TargaError::none, false},
        {"ccm8", "color", Mode::through_file_map, TargaError::none, false},
        {"rgb24_top_left", "rgb24.0", Mode::true_colour, TargaError::none, false},
        {"rgb24_bottom_left_rle", "rgb24.0", Mode::true_colour, TargaError::none, false},
        {"rgb24_top_left_colormap", "rgb24.1", Mode::through_palette, TargaError::none, false},
        {"rgb24_top_left_colormap", "rgb24.1", Mode::through_file_map, TargaError::none, false},
        {"rgb32_bottom_left", "rgb32.0", Mode::true_colour, TargaError::none, true},
        {"rgb32_top_left_rle", "rgb32.0", Mode::true_colour, TargaError::none, true},
        {"rgb32_top_left_rle_colormap", "rgb32.1", Mode::through_file_map, TargaError::none, true},
        {"rgb32_top_left_rle_colormap", "", Mode::through_palette, TargaError::colour_map_unsupported, false},
        {"ucm8", "", Mode::through_palette, TargaError::colour_map_unsupported, false},
        {"utc16", "", Mode::true_colour, TargaError::sixteen_bit_colour, false},
        {"ctc16", "", Mode::true_colour, TargaError::sixteen_bit_colour, false},
        {"ubw8", "", Mode::true_colour, TargaError::greyscale_image, false},
        {"cbw8", "", Mode::true_colour, TargaError::greyscale_image, false},
        {"monochrome8_bottom_left_rle", "", Mode::true_colour, TargaError::greyscale_image, false},
        {"monochrome16_top_left", "", Mode::true_colour, TargaError::greyscale_image, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes file = qfbtest::read_file(SUITE + c.file + ".tga");
        const Decoded got = decode(file, PIXEL_BUFFER, c.mode == Mode::through_palette);
        ASSERT_EQ(got.why, c.error) << targa_error_text(got.why);
        if (c.error != TargaError::none) continue;
        const Bytes ref = qfbtest::read_file(SUITE + c.reference + ".rgba");
        const int32_t w = got.header.width, h = got.header.height;
        ASSERT_EQ(static_cast<uint32_t>(w), u32(ref, 0));
        ASSERT_EQ(static_cast<uint32_t>(h), u32(ref, 4));
        const size_t pixel_bytes = got.header.pixel_depth / 8u;
        size_t mismatches = 0;
        for (size_t i = 0; i < static_cast<size_t>(w) * static_cast<size_t>(h); ++i) {
            const uint8_t* want = &ref[8 + 4 * i];
            const uint8_t* px = &got.dest[i * pixel_bytes];
            uint8_t rgba[4] = {px[2], px[1], px[0], pixel_bytes == 4 ? px[3] : uint8_t{255}};
            int channel_bits = 8;
            if (c.mode == Mode::through_palette)
                std::copy_n(&got.palette[3 * px[0]], 3, rgba);
            else if (c.mode == Mode::through_file_map)
                channel_bits = file_map_colour(file, px[0], rgba);
            bool same = !c.compare_alpha || rgba[3] == want[3];
            for (int k = 0; k < 3; ++k) same = same && rgba[k] == want[k] >> (8 - channel_bits);
            if (!same && mismatches++ == 0) ADD_FAILURE() << "first mismatch at pixel " << i;
        }
        EXPECT_EQ(mismatches, 0u);
    }
}

// Refused files (hand-made, and any input the fuzzer ever crashed on) with their reasons when
// loaded without a palette; every file of the folder must be refused, with a palette too.
TEST(TargaCrashers, RefusedFilesStayRefused)
{
    const struct {
        const char* file;
        TargaError error;
    } cases[] = {
        {"truncated-header.tga", TargaError::truncated_header},
        {"negative-width.tga", TargaError::bad_dimensions},
        {"id-field-past-end.tga", TargaError::id_field_short},
        {"colour-map-past-end.tga", TargaError::colour_map_short},
        {"raw-data-short.tga", TargaError::pixel_data_short},
        {"rle-runs-out.tga", TargaError::pixel_data_short},
        {"rle-run-crosses-row.tga", TargaError::rle_packet_crosses_row},
        {"too-large-for-buffer.tga", TargaError::too_large_for_destination},
    };
    const std::string folder = std::string(MAKEQFB_TEST_DATA) + "/crashers/targa/";
    for (const auto& c : cases) EXPECT_EQ(decode(qfbtest::read_file(folder + c.file), PIXEL_BUFFER).why, c.error) << c.file;
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".md") continue;
        ++files;
        const Bytes file = qfbtest::read_file(entry.path().string());
        EXPECT_NE(decode(file, PIXEL_BUFFER).why, TargaError::none) << entry.path();
        EXPECT_NE(decode(file, PIXEL_BUFFER, true).why, TargaError::none) << entry.path();
    }
    EXPECT_GE(files, std::size(cases));
}

}  // namespace
