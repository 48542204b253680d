// Conformance of the Targa reader with files written by other programs (tests/data/tga-suite,
// compared with reference pictures), and the refused files that must stay refused
// (tests/data/crashers/targa).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "targa/targa_header.h"
#include "targa/targa_loader.h"
#include "tests/support/test_support.h"

using qfbtest::Bytes;

namespace {

const std::string SUITE = std::string(MAKEQFB_TEST_DATA) + "/tga-suite/";
constexpr size_t PIXEL_BUFFER = 2097152;  // the tool's load buffer

enum class Mode {
    true_colour,      // pixels are blue, green, red (, alpha)
    through_palette,  // 8-bit indices looked up in the palette the loader fills
    through_file_map  // 8-bit indices looked up in the file's own map (no palette passed)
};

struct SuiteCase {
    const char* file;
    const char* reference;  // .rgba beside it: width, height (u32 LE), then RGBA top row first
    Mode mode;
    TargaError error;
    bool compare_alpha;
};

const SuiteCase suite_cases[] = {
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
    {"ccm8", "", Mode::through_palette, TargaError::colour_map_unsupported, false},
    {"utc16", "", Mode::true_colour, TargaError::sixteen_bit_colour, false},
    {"ctc16", "", Mode::true_colour, TargaError::sixteen_bit_colour, false},
    {"ubw8", "", Mode::true_colour, TargaError::greyscale_image, false},
    {"cbw8", "", Mode::true_colour, TargaError::greyscale_image, false},
    {"monochrome8_bottom_left", "", Mode::true_colour, TargaError::greyscale_image, false},
    {"monochrome8_bottom_left_rle", "", Mode::true_colour, TargaError::greyscale_image, false},
    {"monochrome16_top_left", "", Mode::true_colour, TargaError::greyscale_image, false},
    {"monochrome16_top_left_rle", "", Mode::true_colour, TargaError::greyscale_image, false},
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

TEST(TargaConformance, SuiteFilesMatchTheirReferencesOrAreRefused)
{
    for (const SuiteCase& c : suite_cases) {
        SCOPED_TRACE(c.file);
        const std::string path = SUITE + c.file + ".tga";
        const Bytes file = qfbtest::read_file(path);
        Bytes dest(PIXEL_BUFFER), palette(TARGA_PALETTE_BYTES);
        TargaError why = TargaError::none;
        const bool with_palette = c.mode == Mode::through_palette;
        const int result = read_targa(path.c_str(), dest.data(), dest.size(), with_palette ? palette.data() : nullptr, &why);
        ASSERT_EQ(why, c.error) << targa_error_text(why);
        if (c.error != TargaError::none) {
            EXPECT_EQ(result, 1);
            continue;
        }
        const Bytes ref = qfbtest::read_file(SUITE + c.reference + ".rgba");
        int32_t w = 0, h = 0, bits = 0;
        ASSERT_EQ(read_targa_info(path.c_str(), &w, &h, &bits), 0);
        ASSERT_EQ(static_cast<uint32_t>(w), u32(ref, 0));
        ASSERT_EQ(static_cast<uint32_t>(h), u32(ref, 4));
        const size_t pixel_bytes = static_cast<size_t>(bits) / 8;
        size_t mismatches = 0;
        for (size_t i = 0; i < static_cast<size_t>(w) * static_cast<size_t>(h); ++i) {
            const uint8_t* want = &ref[8 + 4 * i];
            const uint8_t* px = &dest[i * pixel_bytes];
            uint8_t got[4] = {px[2], px[1], px[0], pixel_bytes == 4 ? px[3] : uint8_t{255}};
            int channel_bits = 8;
            if (c.mode == Mode::through_palette)
                std::copy_n(&palette[3 * px[0]], 3, got);
            else if (c.mode == Mode::through_file_map)
                channel_bits = file_map_colour(file, px[0], got);
            bool same = c.compare_alpha ? got[3] == want[3] : true;
            for (int k = 0; k < 3; ++k) same = same && got[k] == want[k] >> (8 - channel_bits);
            if (!same && mismatches++ == 0) ADD_FAILURE() << "first mismatch at pixel " << i;
        }
        EXPECT_EQ(mismatches, 0u);
    }
}

// Refused files (hand-made, and any input the fuzzer ever crashed on) with their reasons when
// loaded without a palette; every file of the folder must be refused.
const struct {
    const char* file;
    TargaError error;
} crasher_cases[] = {
    {"truncated-header.tga", TargaError::truncated_header},
    {"negative-width.tga", TargaError::bad_dimensions},
    {"id-field-past-end.tga", TargaError::id_field_short},
    {"colour-map-past-end.tga", TargaError::colour_map_short},
    {"raw-data-short.tga", TargaError::pixel_data_short},
    {"rle-runs-out.tga", TargaError::pixel_data_short},
    {"rle-run-crosses-row.tga", TargaError::rle_packet_crosses_row},
    {"too-large-for-buffer.tga", TargaError::too_large_for_destination},
};

TEST(TargaCrashers, RefusedFilesStayRefused)
{
    const std::string folder = std::string(MAKEQFB_TEST_DATA) + "/crashers/targa/";
    for (const auto& c : crasher_cases) {
        TargaError why = TargaError::none;
        Bytes dest(PIXEL_BUFFER);
        EXPECT_EQ(read_targa((folder + c.file).c_str(), dest.data(), dest.size(), nullptr, &why), 1) << c.file;
        EXPECT_EQ(why, c.error) << c.file << ": " << targa_error_text(why);
    }
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".md") continue;
        ++files;
        Bytes dest(PIXEL_BUFFER), palette(TARGA_PALETTE_BYTES);
        const std::string name = entry.path().string();
        EXPECT_EQ(read_targa(name.c_str(), dest.data(), dest.size(), nullptr), 1) << name;
        EXPECT_EQ(read_targa(name.c_str(), dest.data(), dest.size(), palette.data()), 1) << name;
    }
    EXPECT_GE(files, std::size(crasher_cases));
}

}  // namespace
