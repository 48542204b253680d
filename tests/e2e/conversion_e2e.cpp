// End to end: whole conversions by the real binary, compared with the expected transcript and the
// expected QFB bytes, plus the runs that must fail without leaving an output file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

using qfbtest::Bytes;
using qfbtest::run_makeqfb;
using qfbtest::TempDir;

namespace {

// One pixel word by the plain formulas: truncation of every channel.
uint16_t reference_word(const uint8_t* p, int bytes_per_pixel, int format)
{
    const unsigned b = p[0], g = p[1], r = p[2], a = bytes_per_pixel == 4 ? p[3] : 255;
    switch (format) {
    case 0: return static_cast<uint16_t>(((bytes_per_pixel == 4 && a == 0) ? 0x8000 : 0) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
    case 1: return static_cast<uint16_t>(((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4));
    default: return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
    }
}

void put_u32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes header(int w, int h, int format, int fps, int frames, int mipmaps)
{
    Bytes out = {'.', 'q', 'f', 'b'};
    for (int v : {1, w, h, format, fps, frames, mipmaps}) put_u32(out, static_cast<uint32_t>(v));
    return out;
}

void append_level(Bytes& out, const Bytes& pixels_top_first, int bytes_per_pixel, int format)
{
    for (size_t i = 0; i + static_cast<size_t>(bytes_per_pixel) <= pixels_top_first.size(); i += static_cast<size_t>(bytes_per_pixel)) {
        const uint16_t word = reference_word(&pixels_top_first[i], bytes_per_pixel, format);
        out.push_back(static_cast<uint8_t>(word & 0xFF));
        out.push_back(static_cast<uint8_t>(word >> 8));
    }
}

// A frame set on disk and what converting it must give.
struct Fixture {
    TempDir dir;
    Bytes expected_body;  // pixel data of every level of every frame, in file order

    // Writes one member with a pattern of w x h pixels and records its expected words.
    void add(const std::string& name, int w, int h, int depth, int format, bool rle, bool top_first, uint32_t seed)
    {
        const Bytes pixels = qfbtest::pattern(w, h, depth / 8, seed);
        const qfbtest::Tga tga = rle ? qfbtest::rle_image(w, h, depth, pixels, top_first)
                                     : qfbtest::raw_image(w, h, depth, pixels, top_first);
        write(name, tga.to_bytes());
        append_level(expected_body, pixels, depth / 8, format);
    }
    void write(const std::string& name, const Bytes& bytes) const
    {
        const std::string path = dir.file(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        qfbtest::write_file(path, bytes);
    }
};

TEST(Conversion, TwoFrames565From24BitMatchesTranscriptAndBytes)
{
    Fixture f;
    f.add("test-0001.tga", 64, 64, 24, 2, false, false, 1);
    f.add("test-0002.tga", 64, 64, 24, 2, true, true, 2);
    const qfbtest::RunResult run = run_makeqfb({"565", "15", "test.tga"}, f.dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              "2 frames, 0 mipmaps per frame\n"
              "64 x 64, 24bpp\n"
              "test-0001.tga:  Creating 565 from 24bpp.\n"
              "test-0002.tga:  Creating 565 from 24bpp.\n"
              "qfb file created:  test.qfb (16416 bytes)\n"
              "Conversion complete.\n");
    const Bytes written = qfbtest::read_file(f.dir.file("test.qfb"));
    const Bytes expected_header = {0x2E, 0x71, 0x66, 0x62, 0x01, 0, 0, 0, 0x40, 0, 0, 0, 0x40, 0, 0, 0,
                                   0x02, 0,    0,    0,    0x0F, 0, 0, 0, 0x02, 0, 0, 0, 0,    0, 0, 0};
    ASSERT_EQ(written.size(), 16416u);
    EXPECT_EQ(Bytes(written.begin(), written.begin() + 32), expected_header);
    EXPECT_EQ(Bytes(written.begin() + 32, written.end()), f.expected_body);
}

struct RunCase {
    const char* what;
    std::string format;
    int depth;
    int written_format;
    int first_frame;  // -1 single image, 0 or 1
    int frames;
    int mipmaps;
    int width, height;
    std::string warning;  // printed after the geometry line
    const char* verb;     // the converter's notice
};

TEST(Conversion, WholeRunsInEveryShape)
{
    const std::string no_alpha = "There's no alpha in a 24bpp image!  Using 1555 format instead.\n";
    const std::string dropped = "Alpha channel is being dropped.\n";
    const RunCase cases[] = {
        {"single image with mipmaps", "4444", 32, 1, -1, 1, 2, 16, 8, "", "Creating 4444 from 32bpp."},
        {"numbered from 0000", "1555", 32, 0, 0, 3, 1, 8, 8, "", "Creating 1555 from 32bpp."},
        {"numbered from 0001", "1555", 24, 0, 1, 2, 0, 7, 5, "", "Creating 1555 from 24bpp."},
        {"24-bit 4444 becomes 1555", "4444", 24, 0, 1, 2, 1, 6, 4, no_alpha, "Creating 1555 from 24bpp."},
        {"32-bit 565 drops alpha", "565", 32, 2, 1, 1, 0, 3, 3, dropped, "Creating 565 from 32bpp."},
        {"5 x 3 down to 1 x 0", "565", 24, 2, -1, 1, 2, 5, 3, "", "Creating 565 from 24bpp."},
        {"100 x 60, three levels", "4444", 32, 1, 1, 2, 3, 100, 60, "", "Creating 4444 from 32bpp."},
        {"1 x 1", "565", 24, 2, -1, 1, 0, 1, 1, "", "Creating 565 from 24bpp."},
    };
    for (const RunCase& c : cases) {
        Fixture f;
        std::string transcript = std::to_string(c.frames) + (c.frames == 1 ? " frame, " : " frames, ") +
                                 std::to_string(c.mipmaps) + (c.mipmaps == 1 ? " mipmap" : " mipmaps") +
                                 " per frame\n" + std::to_string(c.width) + " x " + std::to_string(c.height) +
                                 ", " + std::to_string(c.depth) + "bpp\n" + c.warning;
        uint64_t body_bytes = 0;
        uint32_t seed = 10;
        for (int i = 0; i < c.frames; ++i) {
            int w = c.width, h = c.height;
            for (int level = 0; level <= c.mipmaps; ++level, w /= 2, h /= 2) {
                std::string name = "anim";
                if (c.first_frame >= 0 || level > 0) name += "-";
                if (level > 0) name += static_cast<char>('a' + level - 1);
                if (c.first_frame >= 0) {
                    char number[16];
                    std::snprintf(number, sizeof number, "%04d", c.first_frame + i);
                    name += number;
                }
                name += ".tga";
                f.add(name, w, h, c.depth, c.written_format, (seed % 2) == 0, (seed % 3) == 0, seed);
                ++seed;
                transcript += name + ":  " + c.verb + "\n";
                body_bytes += static_cast<uint64_t>(w) * static_cast<uint64_t>(h) * 2;
            }
        }
        const uint64_t size = 32 + body_bytes;
        transcript += "qfb file created:  anim.qfb (" + std::to_string(size) + " bytes)\nConversion complete.\n";

        const qfbtest::RunResult run = run_makeqfb({c.format, "30", "anim.tga"}, f.dir.path());
        EXPECT_EQ(run.status, 0) << c.what;
        EXPECT_EQ(run.output, transcript) << c.what;
        Bytes expected = header(c.width, c.height, c.written_format, 30, c.frames, c.mipmaps);
        expected.insert(expected.end(), f.expected_body.begin(), f.expected_body.end());
        EXPECT_EQ(qfbtest::read_file(f.dir.file("anim.qfb")), expected) << c.what;
    }
}

TEST(Conversion, OutputLandsBesideTheInputAndReplacesAnOldFile)
{
    struct Case {
        std::string member;
        std::string base;
        std::string output;
    } cases[] = {
        {"art/walk.cycle-0001.tga", "art/walk.cycle.tga", "art/walk.cycle.qfb"},
        {"dir.v2/test", "dir.v2/test", "dir.qfb"},
        {"x.tga", "x.tga", "x.qfb"},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.add(c.member, 2, 2, 24, 2, false, true, 3);
        f.write(c.output, Bytes(100000, 0xEE));  // an older, larger file of the output's name
        const qfbtest::RunResult run = run_makeqfb({"565", "15", c.base}, f.dir.path());
        EXPECT_EQ(run.status, 0) << c.base;
        EXPECT_NE(run.output.find("qfb file created:  " + c.output + " (40 bytes)\n"), std::string::npos) << run.output;
        EXPECT_EQ(qfbtest::read_file(f.dir.file(c.output)).size(), 40u) << c.base;
    }
}

// The first frame decides the set's geometry; these are refused before any header is written.
TEST(Conversion, RefusesFirstFramesItCannotUse)
{
    qfbtest::Tga mapped;  // 8-bit colour-mapped, 4 x 2
    mapped.image_type = 1;
    mapped.pixel_depth = 8;
    mapped.width = 4;
    mapped.height = 2;
    mapped.colour_map_type = 1;
    mapped.colour_map_length = 2;
    mapped.colour_map_entry_size = 24;
    mapped.colour_map = Bytes(6, 0x40);
    mapped.data = Bytes(8, 1);
    qfbtest::Tga grey16 = qfbtest::raw_image(2, 2, 16, Bytes(8, 3));
    grey16.descriptor = 0x20;
    qfbtest::Tga huge24;  // header only: the size check comes before any pixel is read
    huge24.width = 1024;
    huge24.height = 683;
    qfbtest::Tga fits24 = huge24;
    fits24.height = 682;
    struct Case {
        const char* what;
        Bytes file;
        std::string output;
    } cases[] = {
        {"8-bit colour map", mapped.to_bytes(), "1 frame, 0 mipmaps per frame\n4 x 2, 8bpp\nOnly 24 and 32 bit Targas are supported.\n"},
        {"16-bit", grey16.to_bytes(), "1 frame, 0 mipmaps per frame\n2 x 2, 16bpp\nOnly 24 and 32 bit Targas are supported.\n"},
        {"not a Targa", Bytes(10, 0), "1 frame, 0 mipmaps per frame\nCouldn't read Targa file a.tga: "},
        {"larger than the image buffer", huge24.to_bytes(),
         "1 frame, 0 mipmaps per frame\n1024 x 683, 24bpp\na.tga is too large: 2098176 bytes of pixels, more than the 2097152 bytes (1024 x 512 at 32 bits, 1024 x 682 at 24) an image may have.\n"},
        {"fits, but has no pixels", fits24.to_bytes(), "1 frame, 0 mipmaps per frame\n1024 x 682, 24bpp\na.tga:  Couldn't read Targa file a.tga: "},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.write("a.tga", c.file);
        const qfbtest::RunResult run = run_makeqfb({"565", "15", "a.tga"}, f.dir.path());
        EXPECT_EQ(run.status, 1) << c.what;
        EXPECT_EQ(run.output.substr(0, c.output.size()), c.output) << c.what << "\n" << run.output;
        EXPECT_FALSE(qfbtest::exists(f.dir.file("a.qfb"))) << c.what;
    }
}

TEST(Conversion, RefusesSetsTooLargeForTheOutputBuffer)
{
    // Twenty header-only frames of 1024 x 512 would need 20,971,552 bytes; the capacity check
    // refuses them after the probe of the first frame, before any pixel is read.
    Fixture f;
    qfbtest::Tga frame;
    frame.pixel_depth = 32;
    frame.descriptor = 0x28;
    frame.width = 1024;
    frame.height = 512;
    for (int i = 1; i <= 20; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "big-%04d.tga", i);
        f.write(name, frame.to_bytes());
    }
    const qfbtest::RunResult run = run_makeqfb({"4444", "15", "big.tga"}, f.dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "20 frames, 0 mipmaps per frame\n1024 x 512, 32bpp\n"
                          "This frame set is too large: its QFB file would be larger than the 20552092 bytes a QFB file may have.\n");
    EXPECT_FALSE(qfbtest::exists(f.dir.file("big.qfb")));
}

}  // namespace
