// The packing core's refusals as values, each with what its message names: the capacity rule, the
// output that is an input, a member not the size and depth its place needs (whether its pixels go
// straight from its file or are worked on first), and a member refused as any image is.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "pack.h"
#include "pack_rules.h"
#include "tests/support/test_support.h"

void PrintTo(const Shape& shape, std::ostream* out)
{
    *out << shape.width << " x " << shape.height << ", " << shape.bits_per_pixel << "bpp";
}

namespace {

using qfbtest::Bytes;

Bytes tga(int w, int h, int depth)
{
    return qfbtest::raw_image(w, h, depth, qfbtest::pattern(w, h, depth / 8)).to_bytes();
}

// 8 bits per pixel, a colour map's indices: a Targa file the reader takes, at a depth no set has.
Bytes mapped(int w, int h)
{
    qfbtest::Tga t;
    t.image_type = 1;
    t.pixel_depth = 8;
    t.width = static_cast<uint16_t>(w);
    t.height = static_cast<uint16_t>(h);
    t.colour_map_type = 1;
    t.colour_map_length = 2;
    t.colour_map_entry_size = 24;
    t.colour_map = Bytes(6, 9);
    t.data = Bytes(static_cast<size_t>(w * h), 1);
    return t.to_bytes();
}

const ImageReader& targa_only(const std::string&) { return targa_reader(); }

TEST(PackCore, CapacityIsCheckedImagesFirst)
{
    const struct {
        int32_t width, height, bits, frames, mipmaps;
        PackProblem::Kind kind;
        uint64_t value;
    } cases[] = {
        {1024, 512, 32, 19, 0, PackProblem::none, 0},
        {1024, 512, 32, 20, 0, PackProblem::file_too_large, 0},
        {1024, 513, 32, 20, 0, PackProblem::image_too_large, 1024 * 513 * 4},
        {1024, 682, 24, 1, 9, PackProblem::none, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " x " << c.frames);
        const qfb_header header = {c.width, c.height, QFB_FORMAT_565, 12, c.frames, c.mipmaps};
        qfb_file layout{};
        const PackProblem problem = lay_out(header, c.bits, &layout);
        EXPECT_EQ(problem.kind, c.kind);
        EXPECT_EQ(problem.value, c.value);
        if (problem.ok()) {
            EXPECT_GT(layout.size, 0);
        }
    }
}

TEST(PackCore, EveryRefusalNamesWhatItsMessageNeeds)
{
    Bytes cut = tga(8, 8, 32);
    cut.resize(100);
    const struct Case {
        const char* what;
        std::vector<std::vector<std::string>> frames;
        bool bleed;  // the pixels worked on, not put straight from the files
        const char* output;
        PackProblem::Kind kind;
        const char* name;
        Shape found, wanted;
        int32_t frame, level;
        ImageProblem::Kind image;
        uint64_t value;
    } cases[] = {
        {"the output is a frame", {{"a.tga"}, {"b.tga"}}, false, "b.tga", PackProblem::output_is_input, "b.tga",
         {}, {}, 0, 0, ImageProblem::none, 0},
        {"a frame of another depth", {{"a.tga"}, {"rgb.tga"}}, false, "p.qfb", PackProblem::mismatch, "rgb.tga",
         {8, 8, 24}, {8, 8, 32}, 1, 0, ImageProblem::none, 0},
        {"a level not half the level above", {{"a.tga", "odd.tga"}}, false, "p.qfb", PackProblem::mismatch, "odd.tga",
         {5, 4, 32}, {4, 4, 32}, 0, 1, ImageProblem::none, 0},
        {"a level not half the level above, worked on", {{"a.tga"}, {"b.tga", "odd.tga"}}, true, "p.qfb",
         PackProblem::mismatch, "odd.tga", {5, 4, 32}, {4, 4, 32}, 1, 1, ImageProblem::none, 0},
        {"an 8-bit frame, refused before its place", {{"a.tga"}, {"8.tga"}}, false, "p.qfb", PackProblem::image,
         "8.tga", {}, {}, 0, 0, ImageProblem::wrong_depth, 8},
        {"a frame cut short", {{"a.tga"}, {"cut.tga"}}, false, "p.qfb", PackProblem::image, "cut.tga", {}, {}, 0, 0,
         ImageProblem::unreadable, 0},
    };
    qfbtest::TempDir dir;
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"a.tga", tga(8, 8, 32)}, {"b.tga", tga(8, 8, 32)}, {"rgb.tga", tga(8, 8, 24)},
        {"odd.tga", tga(5, 4, 32)}, {"8.tga", mapped(8, 8)}, {"cut.tga", cut}};
    for (const auto& file : files) qfbtest::write_file(dir.file(file.first), file.second);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PackRequest request;
        for (const auto& names : c.frames) {
            request.frames.emplace_back();
            for (const std::string& name : names) request.frames.back().push_back(ImageRef{dir.file(name), 0});
        }
        request.options.format = QFB_FORMAT_4444;
        request.options.fps = 12;
        request.options.bleed = c.bleed;
        request.readers = targa_only;
        request.output = dir.file(c.output);
        std::unique_ptr<uint8_t[]> bytes;
        Packed packed;
        const PackProblem problem = pack_frames(
            request, [&bytes](const qfb_file& layout) { return (bytes = std::make_unique<uint8_t[]>(layout.size)).get(); },
            &packed);
        EXPECT_EQ(problem.kind, c.kind);
        EXPECT_EQ(problem.cause.kind, c.image);
        const std::string named = problem.kind == PackProblem::image ? problem.cause.name : problem.name;
        EXPECT_EQ(named, dir.file(c.name));
        EXPECT_EQ(problem.found, c.found);
        EXPECT_EQ(problem.wanted, c.wanted);
        EXPECT_EQ(problem.frame, c.frame);
        EXPECT_EQ(problem.level, c.level);
        EXPECT_EQ(problem.cause.value, c.value);
    }
}

}  // namespace
