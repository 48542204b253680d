// End to end: the real makeqfb binary's argument checks, frame-set messages and exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

using qfbtest::run_makeqfb;
using qfbtest::TempDir;

namespace {

const std::string kRule74(74, '=');

const std::string kUsage =
    kRule74 + "\n"
    "makeqfb - Make a QFB(\"Quillfer Bitmap file\") file out of one or\n"
    "          more Targa files.\n"
    "usage:    makeqfb <output format> <fps> <base filename>\n" +
    std::string(74, '-') + "\n"
    "The format parameter must be 1555, 4444, or 565 (all ARGB).\n"
    "\nThe base filename must be given with an extension, but without mipmap or\n"
    "frame information.\n"
    "\nFor example, a base filename of test.tga will automatically pull in\n"
    "test-0001.tga, test-0002.tga, and so on.  Mipmaps are specified by\n"
    "putting a letter before the frame number:  test-a0001.tga,\n"
    "test-b0001.tga, etc.  The first frame can be 0000 or 0001.\n"
    "\nFor single frame bitmaps, mipmaps can still be specified:  test-a.tga\n"
    "\nReport bugs to Zandrow, please.\n" +
    kRule74 + "\n";

const std::string kNoFrames =
    "Either that file doesn't exist or there aren't any frames associated with\nthat base filename\n";

struct ArgCase {
    std::vector<std::string> args;
    std::string output;
    int status = 1;
};

// Every case runs in an empty folder, so any argument that passes the checks finds no frames.
TEST(CommandLine, RefusesBadArguments)
{
    const ArgCase cases[] = {
        {{"--help"}, kUsage, 0},
        {{"--help", "15"}, kUsage},
        {{"--help", "15", "t.tga"}, "Unknown format parameter: --help.  Must be 1555, 4444, or 565.\n"},
        {{}, kUsage},
        {{"565"}, kUsage},
        {{"565", "15"}, kUsage},
        {{"565", "15", "t.tga", "extra"}, kUsage},
        {{"0565", "15", "t.tga"}, "Unknown format parameter: 0565.  Must be 1555, 4444, or 565.\n"},
        {{"565 ", "15", "t.tga"}, "Unknown format parameter: 565 .  Must be 1555, 4444, or 565.\n"},
        {{"1555x", "15", "t.tga"}, "Unknown format parameter: 1555x.  Must be 1555, 4444, or 565.\n"},
        {{"", "15", "t.tga"}, "Unknown format parameter: .  Must be 1555, 4444, or 565.\n"},
        {{"rgb", "x", "t"}, "Unknown format parameter: rgb.  Must be 1555, 4444, or 565.\n"},
        {{"565", "0", "t.tga"}, "Bad fps: 0.  Must be an integer greater than zero.\n"},
        {{"565", "-5", "t.tga"}, "Bad fps: -5.  Must be an integer greater than zero.\n"},
        {{"565", "abc", "t.tga"}, "Bad fps: abc.  Must be an integer greater than zero.\n"},
        {{"565", "", "t.tga"}, "Bad fps: .  Must be an integer greater than zero.\n"},
        {{"565", "-99999999999", "t.tga"}, "Bad fps: -99999999999.  Must be an integer greater than zero.\n"},
        {{"565", "15", "test"}, "Input file doesn't have an extension: test\n"},
        {{"4444", "15", "test"}, "Input file doesn't have an extension: test\n"},
        {{"565", "15", "."}, ". is a folder: give the base filename of a set inside it, such as ./walk.tga.\n"},
        {{"565", "15", "/"}, "/ is a folder: give the base filename of a set inside it, such as /walk.tga.\n"},
        // Anything that passes the checks finds nothing in an empty folder.
        {{"565", "12abc", "t.tga"}, kNoFrames},
        {{"565", " +7", "t.tga"}, kNoFrames},
        {{"1555", "99999999999", "t.tga"}, kNoFrames},
        {{"4444", "2147483648", "dir.v2/test"}, kNoFrames},
    };
    for (const ArgCase& c : cases) {
        TempDir dir;
        const qfbtest::RunResult run = run_makeqfb(c.args, dir.path());
        std::string joined;
        for (const std::string& a : c.args) joined += "[" + a + "]";
        EXPECT_EQ(run.status, c.status) << joined;
        EXPECT_EQ(run.output, c.output) << joined;
    }
}

struct SetCase {
    const char* what;
    std::vector<std::string> files;
    std::string base;
    int status;
    std::string first_line;  // the frame-set report, or the whole output of a failure
};

// These checks hold whatever comes after discovery, so only the first line of a run is compared.
TEST(CommandLine, ReportsTheFrameSet)
{
    const std::string mismatch = "All frames don't have the same number of mipmaps.\n";
    const auto short_numbers = [](const std::string& found, const std::string& named) {
        return kNoFrames + "found " + found + ": frame numbers have at least four digits (" + named +
               "); qfbprep pack takes frames named any way\n";
    };
    const SetCase cases[] = {
        {"nothing at all", {}, "t.tga", 1, kNoFrames},
        {"mipmaps without a base", {"t-a.tga", "t-b.tga", "t-a0001.tga"}, "t.tga", 1, kNoFrames},
        {"a gap before frame 1", {"t-0002.tga"}, "t.tga", 1, kNoFrames},
        {"frames of one digit", {"t-1.tga", "t-2.tga"}, "t.tga", 1, short_numbers("t-1.tga", "t-0001.tga")},
        {"frame 0 of one digit", {"t-0.tga"}, "t.tga", 1, short_numbers("t-0.tga", "t-0000.tga")},
        {"the first short number by name", {"t-7.tga", "t-12.tga", "t-099.tga"}, "t.tga", 1, short_numbers("t-099.tga", "t-0099.tga")},
        {"short numbers in a folder", {"art/t-5.tga"}, "art/t.tga", 1, short_numbers("art/t-5.tga", "art/t-0005.tga")},
        {"names that are no short frame numbers", {"t-a1.tga", "t-1x.tga", "u-1.tga", "t-1234.tga", "tt-1.tga"}, "t.tga", 1, kNoFrames},
        {"frames numbered another way", {"t_00.png", "t_01.png", "t_a.png"}, "t.tga", 1,
         kNoFrames + "found t_00.png and 1 more, numbered another way: makeqfb looks for t-0001.tga, t-0002.tga, ...; "
                     "qfbprep pack takes frames named any way\n"},
        {"a folder as the base", {"art/walk/walk.tga"}, "art/walk", 1,
         "art/walk is a folder: give the base filename of a set inside it, such as art/walk/walk.tga.\n"},
        {"a folder with an extension, and a slash", {"walk.v2/walk.tga"}, "walk.v2/", 1,
         "walk.v2/ is a folder: give the base filename of a set inside it, such as walk.v2/walk.tga.\n"},
        {"single image", {"t.tga"}, "t.tga", -1, "1 frame, 0 mipmaps per frame\n"},
        {"one frame, one mipmap", {"t-0001.tga", "t-a0001.tga"}, "t.tga", -1, "1 frame, 1 mipmap per frame\n"},
        {"single image wins", {"t.tga", "t-a.tga", "t-b.tga", "t-0001.tga", "t-0002.tga"}, "t.tga", -1,
         "1 frame, 2 mipmaps per frame\n"},
        {"from 0000", {"t-0000.tga", "t-0001.tga"}, "t.tga", -1, "2 frames, 0 mipmaps per frame\n"},
        {"gap ends the set", {"t-0001.tga", "t-0002.tga", "t-0004.tga"}, "t.tga", -1,
         "2 frames, 0 mipmaps per frame\n"},
        {"three frames, two mipmaps",
         {"t-0001.tga", "t-a0001.tga", "t-b0001.tga", "t-0002.tga", "t-a0002.tga", "t-b0002.tga", "t-0003.tga",
          "t-a0003.tga", "t-b0003.tga"},
         "t.tga", -1, "3 frames, 2 mipmaps per frame\n"},
        {"later frame gains a mipmap", {"t-0001.tga", "t-0002.tga", "t-a0002.tga"}, "t.tga", 1, mismatch},
        {"later frame loses a mipmap", {"t-0001.tga", "t-a0001.tga", "t-0002.tga"}, "t.tga", 1, mismatch},
        {"dot in a folder name", {"dir-0001.v2/test"}, "dir.v2/test", -1, "1 frame, 0 mipmaps per frame\n"},
    };
    for (const SetCase& c : cases) {
        TempDir dir;
        for (const std::string& name : c.files) {
            const std::string path = dir.file(name);
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            qfbtest::write_file(path, {0});
        }
        const qfbtest::RunResult run = run_makeqfb({"565", "15", c.base}, dir.path());
        if (c.status >= 0) {
            EXPECT_EQ(run.status, c.status) << c.what;
            EXPECT_EQ(run.output, c.first_line) << c.what;
        } else {
            EXPECT_EQ(run.output.substr(0, c.first_line.size()), c.first_line) << c.what;
        }
    }
}

TEST(CommandLine, RefusesBaseNamesTooLongForItsNameBuffers)
{
    TempDir dir;
    const std::string cases[] = {
        std::string(300, 'x') + ".tga",  // the base itself is longer than 255 characters
        std::string(250, 'y') + ".tga",  // 254 characters: fits, but "-0000" does not
    };
    for (const std::string& base : cases) {
        const qfbtest::RunResult run = run_makeqfb({"565", "15", base}, dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, "File names made from this base filename would be longer than 255 characters: " +
                                  base + "\n");
    }
}

}  // namespace
