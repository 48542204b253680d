// The frame-set model: member names both ways and the 255-character limit, discovery on a real
// folder, and the rules a member and a whole set must meet.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frameset.h"
#include "tests/support/test_support.h"

namespace {

TEST(FrameNames, NamesEveryKindOfMemberAndReadsTheNameBack)
{
    const struct {
        const char* base;
        int32_t frame;
        int32_t level;
        const char* name;
    } cases[] = {
        {"test.tga", -1, 0, "test.tga"},
        {"test.tga", -1, 1, "test-a.tga"},
        {"test.tga", 0, 0, "test-0000.tga"},
        {"test.tga", 1, 1, "test-a0001.tga"},
        {"test.tga", 12, 3, "test-c0012.tga"},
        {"test.tga", 123, 0, "test-0123.tga"},
        {"test.tga", 12345, 0, "test-12345.tga"},
        {"test.tga", -1, 26, "test-z.tga"},
        {"test.tga", -1, 27, "test-{.tga"},
        {"test.tga", 7, MAX_MIPMAP_LEVEL, "test-\xff" "0007.tga"},
        {"art/walk.cycle.tga", 2, 1, "art/walk.cycle-a0002.tga"},
        {"dir.v2/test", 1, 0, "dir-0001.v2/test"},
        {".tga", 1, 0, "-0001.tga"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char out[NAME_BUFFER_SIZE];
        ASSERT_TRUE(build_frame_filename(out, c.base, c.frame, c.level));
        EXPECT_STREQ(out, c.name);
        const char* dot = std::strrchr(c.base, '.');
        std::string base;
        int32_t frame = 0, level = 0;
        if (c.frame == SINGLE_IMAGE && c.level == 0) {
            EXPECT_FALSE(parse_frame_filename(c.name, dot, &base, &frame, &level)) << "the base is no member";
            continue;
        }
        ASSERT_TRUE(parse_frame_filename(c.name, dot, &base, &frame, &level));
        EXPECT_EQ(base, c.base);
        EXPECT_EQ(frame, c.frame);
        EXPECT_EQ(level, c.level);
    }
    // Names the convention never gives.
    for (const char* name : {"test-012.tga", "test-00012.tga", "test-12.tga", "test0001.tga", "test-A0001.tga", "test-0001.png"}) {
        std::string base;
        int32_t frame = 0, level = 0;
        EXPECT_FALSE(parse_frame_filename(name, ".tga", &base, &frame, &level)) << name;
    }
}

TEST(FrameNames, RefusesNamesThatDoNotFit)
{
    // Guard bytes around the buffer catch any write past its end.
    struct Guarded {
        char before[16];
        char out[NAME_BUFFER_SIZE];
        char after[16];
    };
    const std::string stem249(249, 's');
    const struct {
        std::string base;
        int32_t frame;
        int32_t level;
        bool fits;
    } cases[] = {
        {stem249 + ".tga", -1, 1, true},                 // 255: exactly fits
        {stem249 + ".tga", 1, 0, false},                 // 258
        {std::string(252, 's') + ".tga", -1, 0, false},  // 256
        {"test.tga", -1, MAX_MIPMAP_LEVEL + 1, false},
        {"noextension", 1, 0, false},
    };
    for (const auto& c : cases) {
        Guarded g;
        std::memset(&g, 0x5A, sizeof g);
        EXPECT_EQ(build_frame_filename(g.out, c.base.c_str(), c.frame, c.level), c.fits) << c.base.size();
        if (!c.fits) {
            EXPECT_STREQ(g.out, "");
        }
        for (char byte : g.before) EXPECT_EQ(byte, 0x5A);
        for (char byte : g.after) EXPECT_EQ(byte, 0x5A);
    }
}

// makeqfb's discovery is its end-to-end tests'; qfbprep's walks the whole set, each frame with
// its own levels.
TEST(Discovery, TheWholeSetListsEveryFrameWithItsOwnLevels)
{
    qfbtest::TempDir dir;
    for (const char* name : {"t-0001.tga", "t-a0001.tga", "t-0002.tga", "t-0003.tga", "t-a0003.tga", "t-b0003.tga", "t-0005.tga"})
        qfbtest::write_file(dir.file(name), {0});
    FrameSet set;
    EXPECT_EQ(find_frames(dir.file("t.tga").c_str(), set), FindResult::mipmap_mismatch);
    EXPECT_EQ(set.frame_count(), 2);
    EXPECT_EQ(find_frames(dir.file("t.tga").c_str(), set, true), FindResult::found);
    std::vector<int32_t> found;
    for (const SetFrame& frame : set.frames) found.insert(found.end(), {frame.number, frame.mipmaps});
    EXPECT_EQ(found, (std::vector<int32_t>{1, 1, 2, 0, 3, 2}));
}

TargaHeader header(int32_t width, int32_t height, uint8_t depth)
{
    TargaHeader h;
    h.width = width;
    h.height = height;
    h.pixel_depth = depth;
    return h;
}

TEST(SetChecks, MembersAndSetsAgainstTheFirstFrame)
{
    const TargaHeader first = header(100, 60, 32);
    const struct {
        const char* what;
        TargaHeader member;
        int32_t level;
        SetProblem problem;
    } members[] = {
        {"the first frame itself", first, 0, SetProblem::none},
        {"level 3 of 100 x 60 is 12 x 7", header(12, 7, 32), 3, SetProblem::none},
        {"level 3 rounded up", header(13, 7, 32), 3, SetProblem::level_size_mismatch},
        {"a frame of another size", header(100, 61, 32), 0, SetProblem::frame_size_mismatch},
        {"24 bits in a 32-bit set", header(100, 60, 24), 0, SetProblem::depth_mismatch},
        {"16 bits", header(100, 60, 16), 0, SetProblem::wrong_depth},
        {"an empty level far down", header(0, 0, 32), 40, SetProblem::none},
    };
    for (const auto& c : members) EXPECT_EQ(check_member(first, c.member, c.level), c.problem) << c.what;
    const struct {
        const char* what;
        TargaHeader first;
        int32_t frames, mipmaps;
        SetProblem problem;
    } sets[] = {
        {"19 frames of 1024 x 512 fit", header(1024, 512, 32), 19, 0, SetProblem::none},
        {"20 do not", header(1024, 512, 32), 20, 0, SetProblem::file_too_large},
        {"1024 x 682 at 24 bits fits the pixel buffer", header(1024, 682, 24), 1, 0, SetProblem::none},
        {"1024 x 683 does not", header(1024, 683, 24), 1, 0, SetProblem::image_too_large},
    };
    for (const auto& c : sets) EXPECT_EQ(check_capacity(c.first, c.frames, c.mipmaps), c.problem) << c.what;
}

}  // namespace
