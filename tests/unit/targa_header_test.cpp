// Tests of the Targa header check through read_targa_info, and that the loader refuses exactly
// the headers that the probe refuses.
#include <gtest/gtest.h>

#include "targa/targa_header.h"
#include "targa/targa_loader.h"
#include "tests/support/test_support.h"

using qfbtest::Bytes;
using qfbtest::Tga;

namespace {

// A valid 640 x 480 24-bit header with no pixel data; each case edits it.
Tga base_header()
{
    Tga tga;
    tga.width = 640;
    tga.height = 480;
    return tga;
}

struct HeaderCase {
    const char* name;
    void (*edit)(Tga&);
    int32_t width, height, bits;  // expected geometry when accepted
    TargaError error;
};

const HeaderCase header_cases[] = {
    {"plain 640x480", [](Tga&) {}, 640, 480, 24, TargaError::none},
    {"rle 32 bits with 8 alpha bits", [](Tga& t) { t.image_type = 10, t.pixel_depth = 32, t.descriptor = 0x08; }, 640, 480, 32, TargaError::none},
    {"colour-mapped type at 24 bits", [](Tga& t) { t.image_type = 1; }, 640, 480, 24, TargaError::none},
    {"rle colour-mapped type at 8 bits", [](Tga& t) { t.image_type = 9, t.pixel_depth = 8; }, 640, 480, 8, TargaError::none},
    {"24 bits claiming 8 alpha bits", [](Tga& t) { t.descriptor = 0x28; }, 640, 480, 24, TargaError::none},
    {"unused descriptor bits", [](Tga& t) { t.descriptor = 0xD0; }, 640, 480, 24, TargaError::none},
    {"16 bits", [](Tga& t) { t.pixel_depth = 16; }, 640, 480, 16, TargaError::none},
    {"id field of 20 bytes", [](Tga& t) { t.id = Bytes(20, 'x'); }, 640, 480, 24, TargaError::none},
    {"width 0", [](Tga& t) { t.width = 0; }, 0, 480, 24, TargaError::none},
    {"largest size", [](Tga& t) { t.width = 32767, t.height = 32767; }, 32767, 32767, 24, TargaError::none},
    {"one alpha bit at 16 bits", [](Tga& t) { t.pixel_depth = 16, t.descriptor = 0x01; }, 0, 0, 0, TargaError::sixteen_bit_colour},
    {"one alpha bit at 32 bits", [](Tga& t) { t.pixel_depth = 32, t.descriptor = 0x21; }, 0, 0, 0, TargaError::bad_alpha_bits},
    {"greyscale type 3", [](Tga& t) { t.image_type = 3; }, 0, 0, 0, TargaError::greyscale_image},
    {"greyscale rle type 11", [](Tga& t) { t.image_type = 11; }, 0, 0, 0, TargaError::greyscale_image},
    {"greyscale with alpha", [](Tga& t) { t.image_type = 3, t.pixel_depth = 16, t.descriptor = 0x08; }, 0, 0, 0, TargaError::greyscale_image},
    {"no image type 0", [](Tga& t) { t.image_type = 0; }, 0, 0, 0, TargaError::bad_image_type},
    {"depth 15", [](Tga& t) { t.pixel_depth = 15; }, 0, 0, 0, TargaError::sixteen_bit_colour},
    {"depth 15, colour-mapped", [](Tga& t) { t.pixel_depth = 15, t.image_type = 1; }, 0, 0, 0, TargaError::bad_pixel_depth},
    {"depth 0", [](Tga& t) { t.pixel_depth = 0; }, 0, 0, 0, TargaError::bad_pixel_depth},
    {"width 32768", [](Tga& t) { t.width = 0x8000; }, 0, 0, 0, TargaError::bad_dimensions},
    {"height 65535", [](Tga& t) { t.height = 0xFFFF; }, 0, 0, 0, TargaError::bad_dimensions},
};

TEST(TargaHeader, ProbeAndLoaderAgreeOnEveryHeader)
{
    qfbtest::TempDir dir;
    for (const HeaderCase& c : header_cases) {
        SCOPED_TRACE(c.name);
        Tga tga = base_header();
        c.edit(tga);
        const std::string path = dir.file("case.tga");
        qfbtest::write_file(path, tga.to_bytes());
        int32_t w = -7, h = -7, bits = -7;
        TargaError why = TargaError::read_failed;
        EXPECT_EQ(read_targa_info(path.c_str(), &w, &h, &bits, &why), c.error == TargaError::none ? 0 : 1);
        EXPECT_EQ(why, c.error);
        if (c.error == TargaError::none) {
            EXPECT_EQ(w, c.width);
            EXPECT_EQ(h, c.height);
            EXPECT_EQ(bits, c.bits);
        } else {
            EXPECT_EQ(w, -7);  // out-values untouched on a refusal
            EXPECT_EQ(h, -7);
            EXPECT_EQ(bits, -7);
            uint8_t dest[4] = {1, 2, 3, 4};
            uint8_t palette[TARGA_PALETTE_BYTES] = {9};
            TargaError load_why = TargaError::none;
            EXPECT_EQ(read_targa(path.c_str(), dest, sizeof dest, palette, &load_why), 1);
            EXPECT_EQ(load_why, c.error);
            EXPECT_EQ(dest[0] + dest[3] + palette[0], 1 + 4 + 9);
        }
    }
}

TEST(TargaHeader, FilesThatCannotHoldAHeaderAreRefused)
{
    qfbtest::TempDir dir;
    Tga tga = base_header();
    tga.id = Bytes(20, 'x');
    const Bytes whole = tga.to_bytes();
    struct {
        size_t size;
        TargaError error;
    } const cases[] = {{0, TargaError::truncated_header}, {1, TargaError::truncated_header},
                       {17, TargaError::truncated_header}, {18, TargaError::id_field_short},
                       {37, TargaError::id_field_short}, {38, TargaError::none}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string path = dir.file("cut.tga");
        qfbtest::write_file(path, Bytes(whole.begin(), whole.begin() + static_cast<long>(c.size)));
        int32_t w = 0, h = 0, bits = 0;
        TargaError why = TargaError::none;
        read_targa_info(path.c_str(), &w, &h, &bits, &why);
        EXPECT_EQ(why, c.error);
    }
}

// Other image formats are named by their signatures, whatever field of theirs the check refuses
// first, even when the file is shorter than a Targa header.
TEST(TargaHeader, OtherImageFormatsAreNamed)
{
    qfbtest::TempDir dir;
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
        const std::string path = dir.file("other.tga");
        qfbtest::write_file(path, c.file);
        int32_t w = 0, h = 0, bits = 0;
        TargaError why = TargaError::none;
        EXPECT_EQ(read_targa_info(path.c_str(), &w, &h, &bits, &why), 1);
        EXPECT_EQ(why, c.error);
    }
}

TEST(TargaHeader, NamesThatAreNotFilesAreRefused)
{
    qfbtest::TempDir dir;
    const struct {
        std::string name;
        TargaError error;
    } cases[] = {{dir.file("missing.tga"), TargaError::cannot_open}, {dir.path(), TargaError::read_failed}};
    for (const auto& c : cases) {
        int32_t w = 5, h = 6, bits = 7;
        TargaError why = TargaError::none;
        EXPECT_EQ(read_targa_info(c.name.c_str(), &w, &h, &bits, &why), 1);
        EXPECT_EQ(why, c.error) << c.name;
        EXPECT_EQ(w + h + bits, 18);
        EXPECT_EQ(read_targa_info(c.name.c_str(), &w, &h, &bits), 1);  // the reason is optional
    }
}

}  // namespace
