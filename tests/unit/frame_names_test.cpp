// Frame-set naming: member names, the 255-character limit, and discovery on a real folder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/frame_names.h"
#include "tests/support/test_support.h"

namespace {

TEST(BuildFrameFilename, NamesEveryKindOfMember)
{
    struct Case {
        const char* base;
        int32_t frame;
        int32_t level;
        const char* name;
    } cases[] = {
        {"test.tga", -1, 0, "test.tga"},
        {"test.tga", -1, 1, "test-a.tga"},
        {"test.tga", -1, 2, "test-b.tga"},
        {"test.tga", 0, 0, "test-0000.tga"},
        {"test.tga", 1, 0, "test-0001.tga"},
        {"test.tga", 1, 1, "test-a0001.tga"},
        {"test.tga", 12, 3, "test-c0012.tga"},
        {"test.tga", 123, 0, "test-0123.tga"},
        {"test.tga", 12345, 0, "test-12345.tga"},
        {"test.tga", -1, 26, "test-z.tga"},
        {"test.tga", -1, 27, "test-{.tga"},
        {"art/walk.cycle.tga", 2, 1, "art/walk.cycle-a0002.tga"},
        {"dir.v2/test", 1, 0, "dir-0001.v2/test"},
        {".tga", 1, 0, "-0001.tga"},
    };
    for (const Case& c : cases) {
        char out[NAME_BUFFER_SIZE];
        ASSERT_TRUE(build_frame_filename(out, c.base, c.frame, c.level)) << c.base;
        EXPECT_STREQ(out, c.name);
    }
}

TEST(BuildFrameFilename, RefusesNamesThatDoNotFit)
{
    // Guard bytes around the buffer catch any write past its end.
    struct Guarded {
        char before[16];
        char out[NAME_BUFFER_SIZE];
        char after[16];
    };
    const std::string stem249(249, 's');
    struct Case {
        std::string base;
        int32_t frame;
        int32_t level;
        bool fits;
    } cases[] = {
        {stem249 + ".tga", -1, 0, true},          // 253 characters
        {stem249 + ".tga", -1, 1, true},          // 255: exactly fits
        {stem249 + ".tga", 1, 0, false},          // 258
        {stem249 + ".tga", 1, 1, false},
        {std::string(251, 's') + ".tga", -1, 0, true},   // 255
        {std::string(252, 's') + ".tga", -1, 0, false},  // 256
        {std::string(400, 's') + ".tga", 1, 1, false},
        {"test.tga", -1, MAX_MIPMAP_LEVEL, true},
        {"test.tga", -1, MAX_MIPMAP_LEVEL + 1, false},
        {"noextension", 1, 0, false},
    };
    for (const Case& c : cases) {
        Guarded g;
        std::memset(&g, 0x5A, sizeof g);
        EXPECT_EQ(build_frame_filename(g.out, c.base.c_str(), c.frame, c.level), c.fits) << c.base.size();
        EXPECT_LE(std::strlen(g.out), NAME_BUFFER_SIZE - 1);
        if (!c.fits) {
            EXPECT_STREQ(g.out, "");
        }
        for (char byte : g.before) EXPECT_EQ(byte, 0x5A);
        for (char byte : g.after) EXPECT_EQ(byte, 0x5A);
    }
}

struct DiscoveryCase {
    const char* what;
    std::vector<std::string> files;
    FrameSetResult result;
    int32_t frame_count;
    int32_t mipmap_count;
    int32_t first_frame;
};

TEST(FindFrames, FollowsTheNamingRules)
{
    const DiscoveryCase cases[] = {
        {"nothing", {}, FrameSetResult::found, 0, 0, 1},
        {"mipmaps without a base", {"t-a.tga", "t-b.tga"}, FrameSetResult::found, 0, 0, 1},
        {"single image", {"t.tga"}, FrameSetResult::found, 1, 0, -1},
        {"single image with mipmaps", {"t.tga", "t-a.tga", "t-b.tga"}, FrameSetResult::found, 1, 2, -1},
        {"mipmap gap ends the count", {"t.tga", "t-a.tga", "t-c.tga"}, FrameSetResult::found, 1, 1, -1},
        {"single image wins over frames", {"t.tga", "t-a.tga", "t-0001.tga", "t-0002.tga", "t-a0001.tga"},
         FrameSetResult::found, 1, 1, -1},
        {"frames from 0000", {"t-0000.tga", "t-0001.tga"}, FrameSetResult::found, 2, 0, 0},
        {"frames from 0001", {"t-0001.tga", "t-0002.tga", "t-0003.tga"}, FrameSetResult::found, 3, 0, 1},
        {"a gap ends the set", {"t-0001.tga", "t-0002.tga", "t-0004.tga"}, FrameSetResult::found, 2, 0, 1},
        {"frame 0002 alone is no set", {"t-0002.tga"}, FrameSetResult::found, 0, 0, 1},
        {"frames with mipmaps", {"t-0001.tga", "t-a0001.tga", "t-0002.tga", "t-a0002.tga"},
         FrameSetResult::found, 2, 1, 1},
        {"later frame gains a mipmap", {"t-0001.tga", "t-0002.tga", "t-a0002.tga"},
         FrameSetResult::mipmap_mismatch, 2, 0, 1},
        {"later frame loses a mipmap", {"t-0001.tga", "t-a0001.tga", "t-0002.tga"},
         FrameSetResult::mipmap_mismatch, 2, 1, 1},
    };
    for (const DiscoveryCase& c : cases) {
        qfbtest::TempDir dir;
        for (const std::string& name : c.files) qfbtest::write_file(dir.file(name), {0});
        int32_t frames = -7, mipmaps = -7, first = -7;
        const std::string base = dir.file("t.tga");
        EXPECT_EQ(find_frames(base.c_str(), &frames, &mipmaps, &first), c.result) << c.what;
        EXPECT_EQ(frames, c.frame_count) << c.what;
        EXPECT_EQ(mipmaps, c.mipmap_count) << c.what;
        if (c.frame_count > 0) {
            EXPECT_EQ(first, c.first_frame) << c.what;
        }
    }
}

TEST(FindFrames, ReportsNamesThatDoNotFit)
{
    qfbtest::TempDir dir;
    const std::string too_long = dir.path() + "/" + std::string(300, 'x') + ".tga";
    int32_t frames = 0, mipmaps = 0, first = 0;
    EXPECT_EQ(find_frames(too_long.c_str(), &frames, &mipmaps, &first), FrameSetResult::name_too_long);
    EXPECT_EQ(frames, 0);
}

TEST(CountMipmaps, CountsConsecutiveLevels)
{
    qfbtest::TempDir dir;
    for (const char* name : {"t-a0003.tga", "t-b0003.tga", "t-c0003.tga", "t-e0003.tga"})
        qfbtest::write_file(dir.file(name), {0});
    const std::string base = dir.file("t.tga");
    EXPECT_EQ(count_mipmaps(base.c_str(), 3), 3);
    EXPECT_EQ(count_mipmaps(base.c_str(), 4), 0);
    EXPECT_EQ(count_mipmaps(base.c_str(), -1), 0);
}

}  // namespace
