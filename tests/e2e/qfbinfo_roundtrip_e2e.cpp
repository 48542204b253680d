// Round trips on the real binaries: makeqfb makes a QFB file from Targa files, qfbinfo --extract
// unpacks it, and makeqfb run on the unpacked set with the same format and fps must make the same
// file byte for byte, for every format, with frames and mipmaps. Levels of size 0 are not
// extracted: a set that has them comes back with the same bytes but for the mipmap count, which
// counts the levels with pixels.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using qfbtest::Bytes;
using qfbtest::RunResult;
using qfbtest::run_qfbinfo;

namespace {

std::string member_name(int frame, int level)  // frame -1: the single-image form
{
    std::string name = "anim";
    if (frame >= 0 || level > 0) name += "-";
    if (level > 0) name += static_cast<char>('a' + level - 1);
    if (frame >= 0) {
        char number[16];
        std::snprintf(number, sizeof number, "%04d", frame);
        name += number;
    }
    return name + ".tga";
}

struct Case {
    const char* what;
    std::string format;  // asked of makeqfb the first time
    int depth;
    int first_frame;     // -1 single image, 0 or 1
    int frames, mipmaps, width, height;
    std::string remake_format;  // the format the file holds, asked of makeqfb the second time
};

TEST(QfbinfoRoundTrip, MakeExtractMakeGivesTheSameFile)
{
    const Case cases[] = {
        {"1555 from 32 bits, flags set", "1555", 32, 1, 3, 2, 16, 8, "1555"},
        {"4444 from 32 bits, from frame 0000", "4444", 32, 0, 2, 3, 20, 12, "4444"},
        {"565 from 32 bits", "565", 32, 1, 3, 1, 9, 7, "565"},
        {"565 from 24 bits, down to 1 x 0", "565", 24, -1, 1, 2, 5, 3, "565"},
        {"1555 from 24 bits", "1555", 24, 1, 2, 0, 6, 4, "1555"},
        {"4444 asked of 24 bits gives 1555", "4444", 24, 1, 2, 1, 7, 5, "1555"},
        {"1 x 1", "4444", 32, -1, 1, 0, 1, 1, "4444"},
        {"down to 0 x 0", "4444", 32, 1, 2, 7, 64, 32, "4444"},
        {"twelve frames", "565", 24, 1, 12, 1, 4, 4, "565"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        uint32_t seed = 1;
        int levels = 0, filled = 0;  // levels with pixels: in all, in a frame
        for (int i = 0; i < c.frames; ++i) {
            int w = c.width, h = c.height;
            for (int level = 0; level <= c.mipmaps; ++level, w /= 2, h /= 2) {
                if (w > 0 && h > 0) {
                    ++levels;
                    filled = level + 1;
                }
                Bytes pixels = qfbtest::pattern(w, h, c.depth / 8, seed++);
                if (c.depth == 32)  // every third pixel fully transparent, so 1555 sets its flag
                    for (size_t p = 3; p < pixels.size(); p += 12) pixels[p] = 0;
                qfbtest::write_file(dir.file(member_name(c.first_frame < 0 ? -1 : c.first_frame + i, level)),
                                    qfbtest::raw_image(w, h, c.depth, pixels, (seed % 2) == 0).to_bytes());
            }
        }
        const RunResult made = qfbtest::run_makeqfb({c.format, "25", "anim.tga"}, dir.path());
        ASSERT_EQ(made.status, 0) << made.output;
        ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);

        const RunResult extracted = run_qfbinfo({"anim.qfb", "--extract", "out"}, dir.path());
        ASSERT_EQ(extracted.status, 0) << extracted.output;
        const bool empty_levels = filled <= c.mipmaps;  // named in one more line
        EXPECT_EQ(std::count(extracted.output.begin(), extracted.output.end(), '\n'), levels + 2 + empty_levels);
        EXPECT_EQ(static_cast<int>(std::distance(std::filesystem::directory_iterator(dir.file("out")), {})), levels);

        const RunResult remade = qfbtest::run_makeqfb({c.remake_format, "25", "out/anim.tga"}, dir.path());
        ASSERT_EQ(remade.status, 0) << remade.output;
        EXPECT_EQ(remade.output.find("Alpha channel is being dropped.\n") != std::string::npos, c.remake_format == "565");
        EXPECT_NE(remade.output.find(std::to_string(c.width) + " x " + std::to_string(c.height) + ", 32bpp\n"),
                  std::string::npos);
        Bytes original = qfbtest::read_file(dir.file("anim.qfb"));
        original[28] = static_cast<uint8_t>(filled - 1);  // the mipmap count, below 256
        EXPECT_EQ(qfbtest::read_file(dir.file("out/anim.qfb")), original);
    }
}

}  // namespace
