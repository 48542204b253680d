// End to end on the real qfbinfo binary: the command line, the report of a known file and of
// levels without pixels, every hostile file refused with one message, and extraction's names,
// bytes and refusals.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using qfbtest::Bytes;
using qfbtest::RunResult;
using qfbtest::run_qfbinfo;
using qfbtest::TempDir;

namespace {

// A QFB file: the header from its fields (any 32-bit pattern), then the given pixel bytes.
Bytes qfb(int64_t w, int64_t h, int64_t format, int64_t fps, int64_t frames, int64_t mipmaps, const Bytes& pixels = {})
{
    Bytes out = {'.', 'q', 'f', 'b'};
    for (int64_t v : {int64_t{1}, w, h, format, fps, frames, mipmaps})
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

std::vector<std::string> files_in(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

const std::string RULE(74, '=');

TEST(QfbinfoCommandLine, UsageOnAWrongCommandLineHelpOnRequest)
{
    struct Case {
        std::vector<std::string> args;
        int status;
    } const cases[] = {
        {{}, 1}, {{"--help"}, 0}, {{"a.qfb", "b.qfb"}, 1}, {{"a.qfb", "--extract", "out", "more"}, 1},
        {{"--help", "x"}, 1},
    };
    for (const Case& c : cases) {
        const RunResult run = run_qfbinfo(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.size();
        ASSERT_GT(run.output.size(), 2 * RULE.size());
        EXPECT_EQ(run.output.substr(0, RULE.size() + 1), RULE + "\n");
        EXPECT_EQ(run.output.substr(run.output.size() - RULE.size() - 1), RULE + "\n");
        EXPECT_NE(run.output.find("\nqfbinfo - "), std::string::npos);
        EXPECT_NE(run.output.find("\nusage:    qfbinfo <qfb file>\n          qfbinfo <qfb file> --extract <folder> [--force]\n"
                                  "          qfbinfo <qfb file> --sheet <file.png> [--force]\n"
                                  "          qfbinfo <qfb file> --animation <file.webp> [--force]\n"
                                  "          qfbinfo <qfb file> --compare <source>... [--as-given] [--json]\n"
                                  "          qfbinfo <qfb file> --ktx2 <file.ktx2> [--as-stored] [--force]\n"),
                  std::string::npos);
        size_t start = 0;  // every line fits 74 columns
        for (size_t end; (end = run.output.find('\n', start)) != std::string::npos; start = end + 1)
            EXPECT_LE(end - start, 74u) << run.output.substr(start, end - start);
    }
}

// A wrong option gets one line that names it (and what it needs), and nothing is written.
TEST(QfbinfoCommandLine, AWrongOptionGetsOneLineNamingIt)
{
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"t.qfb", "--extract", "--sheet", "s.png"}, "Option --extract needs a value, not the option --sheet.\n"},
        {{"t.qfb", "--force", "--animation", "--force"}, "Option --animation needs a value, not the option --force.\n"},
        {{"t.qfb", "--compare", "--json", "s.tga"}, "Option --compare needs a value, not the option --json.\n"},
        {{"t.qfb", "--shet", "s.png"}, "Unknown option --shet (did you mean --sheet?); qfbinfo --help lists them.\n"},
        {{"t.qfb", "--ktx2"}, "Option --ktx2 needs a value.\n"},
        {{"t.qfb", "--compare", "s.tga", "--force"},
         "Option --force goes with --extract, --sheet, --animation or --ktx2: it replaces a file they would write.\n"},
        {{"t.qfb", "--sheet", "s.png", "--as-stored"},
         "Option --as-stored goes with --ktx2: it keeps the stored layouts in the texture.\n"},
        {{"t.qfb", "--extract", "out", "--json"}, "Option --json goes with --compare: it prints the comparison as JSON.\n"},
        {{"t.qfb", "--compare", "s.tga", "--json", "--json"}, "Option --json is given twice; give it once.\n"},
        {{"t.qfb", "--compare", "s.tga", "--sheet", "s.png"},
         "Options --sheet and --compare can't be given together: a run does one of --extract, --sheet, --animation, "
         "--ktx2 and --compare.\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        qfbtest::write_file(dir.file("t.qfb"), qfb(1, 1, 1, 1, 1, 0, {0x34, 0x12}));
        const RunResult run = run_qfbinfo(c.args, dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, c.message);
        EXPECT_EQ(files_in(dir.path()), std::vector<std::string>{"t.qfb"});
    }
}

TEST(QfbinfoReport, PrintsTheHeaderAndEveryLevelOfAKnownFile)
{
    TempDir dir;
    qfbtest::write_file(dir.file("t.qfb"), qfb(5, 3, 1, 24, 2, 2, Bytes(68, 0x5A)));
    const RunResult run = run_qfbinfo({"t.qfb"}, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              "file        t.qfb\n"
              "size        100 bytes\n"
              "magic       .qfb\n"
              "version     1\n"
              "width       5\n"
              "height      3\n"
              "format      4444\n"
              "fps         24\n"
              "frames      2\n"
              "mipmaps     2\n"
              " frame level         W x H      bytes     offset\n"
              "     1     0         5 x 3         30         32\n"
              "     1     1         2 x 1          4         62\n"
              "     2     0         5 x 3         30         66\n"
              "     2     1         2 x 1          4         96\n"
              "Level 2 of each frame has no pixels.\n");
}

// A line for each level with pixels; the empty levels of every frame in one line, so that the
// report of a file is bounded by its size, whatever frame and mipmap counts its header claims.
TEST(QfbinfoReport, EveryFormatByNameAndLevelsWithoutPixelsInOneLine)
{
    struct Case {
        Bytes file;
        std::string format_line;
        size_t level_lines;
        std::string last_line;
    } const cases[] = {
        {qfb(1, 1, 0, 1, 1, 0, Bytes(2)), "format      1555\n", 1, "     1     0         1 x 1          2         32\n"},
        {qfb(2, 1, 2, 60, 3, 0, Bytes(12)), "format      565\n", 3, "     3     0         2 x 1          4         40\n"},
        // 2000 frames of 1 x 1 with 159 mipmaps: 2000 levels with pixels, 318,000 without.
        {qfb(1, 1, 1, 7, 2000, 159, Bytes(4000)), "format      4444\n", 2001, "Levels 1 to 159 of each frame have no pixels.\n"},
        // 32 bytes claiming the most frames a file may have, each of 160 levels of 0 x 0.
        {qfb(0, 0, 1, 7, 10276030, 159), "format      4444\n", 1, "Levels 0 to 159 of each frame have no pixels.\n"},
        {qfb(7, 0, 2, 7, 3, 0), "format      565\n", 1, "Level 0 of each frame has no pixels.\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        qfbtest::write_file(dir.file("s.qfb"), c.file);
        const RunResult run = run_qfbinfo({"s.qfb"}, dir.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.output.find(c.format_line), std::string::npos);
        const size_t lines = static_cast<size_t>(std::count(run.output.begin(), run.output.end(), '\n'));
        EXPECT_EQ(lines, 11 + c.level_lines);
        ASSERT_GE(run.output.size(), c.last_line.size());
        EXPECT_EQ(run.output.substr(run.output.size() - c.last_line.size()), c.last_line);
    }
}

struct Hostile {
    const char* what;
    Bytes file;
    std::string reason;  // after "Couldn't read QFB file h.qfb: "
};

std::vector<Hostile> hostile_files()
{
    Bytes bad_magic = qfb(2, 2, 0, 1, 1, 0, Bytes(8));
    bad_magic[1] = 'Q';
    Bytes bad_constant = qfb(2, 2, 0, 1, 1, 0, Bytes(8));
    bad_constant[4] = 0;
    const Bytes sound = qfb(2, 2, 0, 1, 1, 0, Bytes(8));
    return {
        {"empty", {}, "too short for a QFB header (0 bytes)."},
        {"header cut short", Bytes(sound.begin(), sound.begin() + 20), "too short for a QFB header (20 bytes)."},
        {"wrong magic", bad_magic, "not a QFB file (wrong magic)."},
        {"wrong constant", bad_constant, "unknown QFB version (constant field is not 1)."},
        {"format 3", qfb(2, 2, 3, 1, 1, 0, Bytes(8)), "unknown pixel format."},
        {"fps 0", qfb(2, 2, 0, 0, 1, 0, Bytes(8)), "fps out of range."},
        {"fps -1", qfb(2, 2, 0, -1, 1, 0, Bytes(8)), "fps out of range."},
        {"0 frames", qfb(2, 2, 0, 1, 0, 0), "frame count out of range."},
        {"-3 frames", qfb(2, 2, 0, 1, -3, 0), "frame count out of range."},
        {"-1 mipmaps", qfb(2, 2, 0, 1, 1, -1, Bytes(8)), "mipmap count out of range."},
        {"negative height", qfb(2, -2, 0, 1, 1, 0, Bytes(8)), "width or height out of range."},
        {"2^31 frames of 32767 x 32767 in 40 bytes", qfb(32767, 32767, 0, 1, int64_t{1} << 31, 0, Bytes(8)),
         "frame count out of range."},
        {"2^31 - 1 frames of 32767 x 32767 in 40 bytes", qfb(32767, 32767, 0, 1, 2147483647, 0, Bytes(8)),
         "2147483647 frames, more than the 10276030 a QFB file can hold."},
        {"1000 frames of 32767 x 32767 in 40 bytes", qfb(32767, 32767, 0, 1, 1000, 0, Bytes(8)),
         "it is cut short: 40 bytes, but its header calls for 2147352578032."},
        {"32768 wide", qfb(32768, 1, 0, 1, 1, 0, Bytes(65536)), "32768 x 1 is larger than 32767 pixels on a side."},
        {"160 mipmaps", qfb(1, 1, 0, 1, 1, 160, Bytes(2)), "160 mipmaps per frame, more than the 159 the naming convention can name."},
        {"pixel data cut short", qfb(2, 2, 0, 1, 1, 0, Bytes(7)), "it is cut short: 39 bytes, but its header calls for 40."},
        {"one extra byte", qfb(2, 2, 0, 1, 1, 0, Bytes(9)), "1 byte after the last level: 41 bytes, but its header calls for 40."},
        {"a whole extra frame", qfb(2, 2, 0, 1, 1, 1, Bytes(20)),
         "10 bytes after the last level: 52 bytes, but its header calls for 42."},
    };
}

// Each gives one message and status 1, the same with --extract, --sheet, --animation and
// --compare (before its source is looked for), which then write nothing.
TEST(QfbinfoHostile, EveryDamagedFileGivesOneMessageAndStatus1)
{
    for (const Hostile& h : hostile_files()) {
        SCOPED_TRACE(h.what);
        TempDir dir;
        qfbtest::write_file(dir.file("h.qfb"), h.file);
        ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);
        const std::string message = "Couldn't read QFB file h.qfb: " + h.reason + "\n";
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"h.qfb"}, {"h.qfb", "--extract", "out"}, {"h.qfb", "--sheet", "out/s.png"},
              {"h.qfb", "--animation", "out/a.webp"}, {"h.qfb", "--compare", "out/none.tga", "--json"}}) {
            const RunResult run = run_qfbinfo(args, dir.path());
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.output, message);
        }
        EXPECT_TRUE(files_in(dir.file("out")).empty());
    }
}

TEST(QfbinfoHostile, MissingFilesAndFoldersAreRefused)
{
    TempDir dir;
    ASSERT_EQ(mkdir(dir.file("folder.qfb").c_str(), 0755), 0);
    struct Case {
        std::string name, message;
    } const cases[] = {
        {"nothing.qfb", "Couldn't read QFB file nothing.qfb: it can't be opened.\n"},
        {"folder.qfb", "Couldn't read QFB file folder.qfb: it can't be read (is it a folder?).\n"},
    };
    for (const Case& c : cases) {
        const RunResult run = run_qfbinfo({c.name}, dir.path());
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.output, c.message);
    }
}

// The saved hostile files (the fuzz replay feeds them to the code in process too).
TEST(QfbinfoHostile, SavedCrashersStayRefused)
{
    const std::string folder = std::string(MAKEQFB_TEST_DATA) + "/crashers/qfbinfo";
    size_t seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string path = entry.path().string();
        const RunResult run = run_qfbinfo({path});
        EXPECT_EQ(run.status, 1) << path;
        EXPECT_EQ(run.output.rfind("Couldn't read QFB file " + path + ": ", 0), 0u) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        ++seen;
    }
    EXPECT_GE(seen, 10u);
}

Bytes targa32(int w, int h, const Bytes& bgra)
{
    const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8),
                                static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8), 32, 0x28};
    Bytes out(sizeof header + bgra.size());
    std::copy(header, header + sizeof header, out.begin());
    std::copy(bgra.begin(), bgra.end(), out.begin() + sizeof header);
    return out;
}

TEST(QfbinfoExtract, WritesExactTargasUnderMakeqfbNames)
{
    // 1555, two frames of 2 x 1 with a 1 x 0 mipmap: words 0xA8C2 0x7FFF, then 0x0000 0x8000.
    const Bytes two_frames = qfb(2, 1, 0, 5, 2, 1, {0xC2, 0xA8, 0xFF, 0x7F, 0x00, 0x00, 0x00, 0x80});
    const Bytes frame1 = {0x10, 0x31, 0x52, 0, 255, 255, 255, 255}, frame2 = {0, 0, 0, 255, 0, 0, 0, 0};
    // 565, one 3 x 1 frame with 1 x 0 and 0 x 0 mipmaps: names without a frame number.
    const Bytes one_frame = qfb(3, 1, 2, 5, 1, 2, {0xA2, 0x51, 0xE0, 0x07, 0x21, 0x08});
    const Bytes pixels565 = {0x10, 0x34, 0x52, 255, 0, 255, 0, 255, 0x08, 0x04, 0x08, 255};
    struct Expected {
        std::string name;
        Bytes bytes;
    };
    // Levels without pixels are not written, but named in one line.
    struct Case {
        const char* what;
        Bytes file;
        std::string format;
        std::vector<Expected> files;
        bool folder_there;  // else qfbinfo makes it
        std::string empty_levels;
    } const cases[] = {
        {"two frames, into a folder it makes", two_frames, "1555",
         {{"t-0001.tga", targa32(2, 1, frame1)}, {"t-0002.tga", targa32(2, 1, frame2)}}, false,
         "Level 1 of each frame has no pixels.\n"},
        {"one frame", one_frame, "565", {{"t.tga", targa32(3, 1, pixels565)}}, true,
         "Levels 1 to 2 of each frame have no pixels.\n"},
        {"frames without pixels", qfb(0, 0, 1, 5, 3, 159), "4444", {}, false,
         "Levels 0 to 159 of each frame have no pixels.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        qfbtest::write_file(dir.file("t.qfb"), c.file);
        if (c.folder_there) {
            ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);
        }
        const RunResult run = run_qfbinfo({"t.qfb", "--extract", "out/"}, dir.path());
        EXPECT_EQ(run.status, 0);
        std::string transcript;
        std::vector<std::string> names;
        for (const Expected& e : c.files) {
            transcript += "out/" + e.name + ":  Creating 32bpp from " + c.format + ".\n";
            names.push_back(e.name);
            EXPECT_EQ(qfbtest::read_file(dir.file("out/" + e.name)), e.bytes) << e.name;
        }
        transcript += c.empty_levels + std::to_string(c.files.size()) + (c.files.size() == 1 ? " Targa file" : " Targa files") +
                      " written to out/\nExtraction complete.\n";
        EXPECT_EQ(run.output, transcript);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(files_in(dir.file("out")), names);
    }
}

TEST(QfbinfoExtract, RefusesBadFoldersAndNamesBeforeWritingAnything)
{
    // The base name (251 characters) fits; "t-a12000.tga" in it (258) does not. Level 1 has pixels.
    const std::string long_folder = std::string(120, 'd') + "/" + std::string(124, 'e');
    const std::string longer_folder = long_folder + "/ffffffff";
    struct Case {
        const char* what;
        std::string folder;
        bool make_folder;
        std::string message;
        std::string taken = "";  // a file already in the folder
    } const cases[] = {
        {"missing parent folder", "none/nowhere", false,
         "Couldn't create output folder none/nowhere: No such file or directory.\n"},
        {"empty folder name", "", false, "Output folder doesn't exist: \n"},
        {"a file, not a folder", "t.qfb", false, "Output folder doesn't exist: t.qfb\n"},
        {"frame names too long", long_folder, true,
         "File names made from this base filename would be longer than 255 characters: " + long_folder + "/t.tga\n"},
        {"base name too long", longer_folder, true,
         "File names made from this base filename would be longer than 255 characters: " + longer_folder + "/t.tga\n"},
        {"a name it would write is taken", "out", true, "File already exists: out/t-a7777.tga (--force replaces it).\n",
         "t-a7777.tga"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        qfbtest::write_file(dir.file("t.qfb"), qfb(2, 2, 0, 1, 12000, 1, Bytes(120000)));
        if (c.make_folder) std::filesystem::create_directories(dir.file(c.folder));
        if (!c.taken.empty()) qfbtest::write_file(dir.file(c.folder + "/" + c.taken), Bytes(3, 1));
        const RunResult run = run_qfbinfo({"t.qfb", "--extract", c.folder}, dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, c.message);
        EXPECT_EQ(files_in(dir.path()).size(), c.make_folder ? 2u : 1u);
        if (c.make_folder) {
            EXPECT_EQ(files_in(dir.file(c.folder)), c.taken.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.taken});
        }
    }
}

// Taken names are refused, naming the first; with --force they are replaced.
TEST(QfbinfoExtract, ReplacesFilesOnlyWhenForcedButNeverWritesThroughLinksOutOfTheFolder)
{
    TempDir dir, outside;
    // 4444, one 2 x 2 frame and its 1 x 1 mipmap, every word 0x1234 (B 0x44, G 0x33, R 0x22, A 0x11).
    Bytes words, bgra;
    for (int i = 0; i < 5; ++i) {
        words.insert(words.end(), {0x34, 0x12});
        bgra.insert(bgra.end(), {0x44, 0x33, 0x22, 0x11});
    }
    qfbtest::write_file(dir.file("t.qfb"), qfb(2, 2, 1, 1, 1, 1, words));
    ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);
    qfbtest::write_file(dir.file("out/t.tga"), Bytes(1000, 7));
    const Bytes victim = {'v', 'i', 'c', 't', 'i', 'm'};
    qfbtest::write_file(outside.file("victim"), victim);
    ASSERT_EQ(symlink(outside.file("victim").c_str(), dir.file("out/t-a.tga").c_str()), 0);
    const auto before = qfbtest::snapshot(dir.path());
    const RunResult refused = run_qfbinfo({"t.qfb", "--extract", "out"}, dir.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output, "File already exists: out/t.tga (--force replaces it).\n");
    EXPECT_EQ(qfbtest::snapshot(dir.path()), before);
    const RunResult run = run_qfbinfo({dir.file("t.qfb"), "--extract", dir.file("out"), "--force"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(qfbtest::read_file(dir.file("out/t.tga")), targa32(2, 2, Bytes(bgra.begin(), bgra.begin() + 16)));
    EXPECT_EQ(qfbtest::read_file(dir.file("out/t-a.tga")), targa32(1, 1, Bytes(bgra.begin(), bgra.begin() + 4)));
    EXPECT_EQ(qfbtest::read_file(outside.file("victim")), victim);
    EXPECT_EQ(files_in(dir.file("out")), (std::vector<std::string>{"t-a.tga", "t.tga"}));
}

}  // namespace
