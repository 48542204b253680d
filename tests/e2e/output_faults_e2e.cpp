// End to end: faults on the output side. An output that cannot be written (a folder, a link to a
// full device or into a missing folder, a disk that fills part way) ends the run with status 1
// and "Couldn't write file" with the system's reason, and every failed run, whatever failed,
// leaves the folder exactly as it was: an existing output survives byte for byte and no temporary
// file remains.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qfbtest::Bytes;
using qfbtest::FileSizeLimit;
using qfbtest::snapshot;
using Prepare = std::function<void(const std::string& dir)>;

constexpr rlim_t DISK_FILLS = 4096;  // the 64 x 64 set's file has 8,224 bytes
const Bytes OLD_OUTPUT = qfbtest::pattern(50, 50, 2, 99);  // an earlier run's file

qfbtest::RunResult run_limited(const std::vector<std::string>& args, const std::string& cwd, rlim_t limit)
{
    std::unique_ptr<FileSizeLimit> guard;
    if (limit != 0) guard = std::make_unique<FileSizeLimit>(limit);
    return qfbtest::run_makeqfb(args, cwd);
}

void write(const std::string& dir, const std::string& name, const Bytes& bytes) { qfbtest::write_file(dir + "/" + name, bytes); }
void sound(const std::string& dir, const std::string& name, int w = 64, int h = 64, int depth = 24)
{
    write(dir, name, qfbtest::raw_image(w, h, depth, qfbtest::pattern(w, h, depth / 8, 5)).to_bytes());
}
void old_output(const std::string& dir) { write(dir, "t.qfb", OLD_OUTPUT); }

TEST(OutputFaults, AnOutputThatCannotBeWrittenIsReportedAndNothingChanges)
{
    const struct {
        const char* what;
        Prepare setup;
        rlim_t limit;         // 0: none
        bool needs_non_root;  // permission bits do not stop root
        const char* reason;   // the system's, as the message gives it
    } cases[] = {
        {"the output name is a folder", [](const std::string& d) { fs::create_directory(d + "/t.qfb"); write(d, "t.qfb/keep", {1, 2}); }, 0, false, "Is a directory"},
        {"the output is a link to /dev/full", [](const std::string& d) { fs::create_symlink("/dev/full", d + "/t.qfb"); }, 0, false, "No space left on device"},
        {"the output's folder is missing (a link into it)", [](const std::string& d) { fs::create_symlink("gone/t.qfb", d + "/t.qfb"); }, 0, false, "No such file or directory"},
        {"the output is a named pipe nobody reads", [](const std::string& d) { mkfifo((d + "/t.qfb").c_str(), 0644); }, 0, false, "No such device or address"},
        {"the output is a link to a folder", [](const std::string& d) { fs::create_directory(d + "/sub"); fs::create_symlink("sub", d + "/t.qfb"); }, 0, false, "Is a directory"},
        {"the disk fills part way over an existing output", old_output, DISK_FILLS, false, "File too large"},
        {"the disk fills part way, no earlier output", [](const std::string&) {}, DISK_FILLS, false, "File too large"},
        {"the disk fills part way behind a link", [](const std::string& d) { write(d, "real.qfb", OLD_OUTPUT); fs::create_symlink("real.qfb", d + "/t.qfb"); }, DISK_FILLS, false, "File too large"},
        {"the folder is read-only", [](const std::string& d) { old_output(d); chmod(d.c_str(), 0555); }, 0, true, "Permission denied"},
    };
    for (const auto& c : cases) {
        if (c.needs_non_root && geteuid() == 0) continue;
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        sound(dir.path(), "t.tga");
        c.setup(dir.path());
        const auto before = snapshot(dir.path());
        const qfbtest::RunResult run = run_limited({"565", "15", "t.tga"}, dir.path(), c.limit);
        chmod(dir.path().c_str(), 0700);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, "1 frame, 0 mipmaps per frame\n64 x 64, 24bpp\nt.tga:  Creating 565 from 24bpp.\n"
                              "Couldn't write file: t.qfb (" + std::string(c.reason) + ")\n");
        EXPECT_EQ(snapshot(dir.path()), before);
    }
}

TEST(OutputFaults, AnExistingOutputSurvivesEveryFailedRun)
{
    Bytes crossing = qfbtest::rle_image(32, 32, 24, qfbtest::pattern(32, 32, 3, 6)).to_bytes();
    crossing[18] = 0xA0;  // the first packet: a run of 33 pixels in a row of 32
    qfbtest::Tga huge;
    huge.width = 1024;
    huge.height = 683;
    qfbtest::Tga frame_of_many;
    frame_of_many.pixel_depth = 32;
    frame_of_many.width = 1024;
    frame_of_many.height = 512;
    Bytes cut_short = qfbtest::raw_image(64, 64, 24, qfbtest::pattern(64, 64, 3, 8)).to_bytes();
    cut_short.resize(cut_short.size() - 3);
    const struct {
        const char* what;
        std::vector<std::string> args;
        Prepare setup;
        rlim_t limit;
        std::string message;  // the run's last line
    } cases[] = {
        {"unknown format", {"0565", "15", "t.tga"}, [](const std::string& d) { sound(d, "t.tga"); }, 0,
         "Unknown format parameter: 0565.  Must be 1555, 4444, or 565.\n"},
        {"bad fps", {"565", "0", "t.tga"}, [](const std::string& d) { sound(d, "t.tga"); }, 0,
         "Bad fps: 0.  Must be an integer greater than zero.\n"},
        {"no frames", {"565", "15", "t.tga"}, [](const std::string&) {}, 0, "that base filename\n"},
        {"first frame is not a Targa", {"565", "15", "t.tga"}, [](const std::string& d) { write(d, "t.tga", Bytes(40, 'x')); }, 0,
         "Couldn't read Targa file t.tga: unsupported pixel depth.\n"},
        {"first frame of 16 bits", {"565", "15", "t.tga"}, [](const std::string& d) { sound(d, "t.tga", 4, 4, 16); }, 0,
         "Only 24 and 32 bit Targas are supported.\n"},
        {"first frame too large", {"565", "15", "t.tga"}, [&](const std::string& d) { write(d, "t.tga", huge.to_bytes()); }, 0,
         "more than the 2097152 bytes (1024 x 512 at 32 bits, 1024 x 682 at 24) an image may have.\n"},
        {"set too large for a QFB file", {"4444", "15", "t.tga"},
         [&](const std::string& d) {
             for (int i = 1; i <= 20; ++i) write(d, "t-" + std::string(i < 10 ? "000" : "00") + std::to_string(i) + ".tga", frame_of_many.to_bytes());
         },
         0, "bytes a QFB file may have.\n"},
        {"second frame of another size", {"565", "15", "t.tga"},
         [](const std::string& d) { sound(d, "t-0001.tga"); sound(d, "t-0002.tga", 64, 32); }, 0,
         "t-0002.tga:  Not all frames are of the same size and bits-per-pixel: t-0002.tga is 64 x 32, 24bpp, but must be 64 x 64, 24bpp.\n"},
        {"second frame of another depth", {"565", "15", "t.tga"},
         [](const std::string& d) { sound(d, "t-0001.tga"); sound(d, "t-0002.tga", 64, 64, 32); }, 0,
         "t-0002.tga:  Not all frames are of the same size and bits-per-pixel: t-0002.tga is 64 x 64, 32bpp, but must be 64 x 64, 24bpp.\n"},
        {"mipmap level of the full size", {"565", "15", "t.tga"},
         [](const std::string& d) { sound(d, "t.tga", 64, 48); sound(d, "t-a.tga", 64, 48); }, 0,
         "t-a.tga:  Not all frames are of the same size and bits-per-pixel: t-a.tga is 64 x 48, 24bpp, but must be 32 x 24, 24bpp.\n"},
        {"second frame cut short", {"565", "15", "t.tga"},
         [&](const std::string& d) { sound(d, "t-0001.tga"); write(d, "t-0002.tga", cut_short); }, 0,
         "Couldn't read Targa file t-0002.tga: pixel data is cut short.\n"},
        {"mipmap level with a packet crossing its row", {"565", "15", "t.tga"},
         [&](const std::string& d) { sound(d, "t.tga"); write(d, "t-a.tga", crossing); }, 0,
         "Couldn't read Targa file t-a.tga: run-length packet crosses a row end.\n"},
        {"the disk fills part way", {"565", "15", "t.tga"}, [](const std::string& d) { sound(d, "t.tga"); }, DISK_FILLS,
         "Couldn't write file: t.qfb (File too large)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        c.setup(dir.path());
        old_output(dir.path());
        const auto before = snapshot(dir.path());
        const qfbtest::RunResult run = run_limited(c.args, dir.path(), c.limit);
        EXPECT_EQ(run.status, 1);
        ASSERT_GE(run.output.size(), c.message.size()) << run.output;
        EXPECT_EQ(run.output.substr(run.output.size() - c.message.size()), c.message) << run.output;
        EXPECT_EQ(snapshot(dir.path()), before);
    }
}

// An output name that leads to one of the inputs is refused before any work: saving would
// destroy that input.
TEST(OutputFaults, AnOutputThatIsAnInputIsRefused)
{
    const std::string refused = "The output file t.qfb is one of the input files and would be overwritten.\n";
    const struct {
        const char* what;
        std::string base;
        Prepare setup;
        std::string transcript;  // "" when the run must succeed
    } cases[] = {
        {"a single image named t.qfb", "t.qfb", [](const std::string& d) { sound(d, "t.qfb", 2, 2); },
         "1 frame, 0 mipmaps per frame\n2 x 2, 24bpp\n" + refused},
        {"the output links to a frame", "t.tga", [](const std::string& d) { sound(d, "t-0001.tga", 2, 2); sound(d, "t-0002.tga", 2, 2); fs::create_symlink("t-0002.tga", d + "/t.qfb"); },
         "2 frames, 0 mipmaps per frame\n2 x 2, 24bpp\n" + refused},
        {"the output is a hard link to a mipmap", "t.tga", [](const std::string& d) { sound(d, "t.tga", 2, 2); sound(d, "t-a.tga", 1, 1); fs::create_hard_link(d + "/t-a.tga", d + "/t.qfb"); },
         "1 frame, 1 mipmap per frame\n2 x 2, 24bpp\n" + refused},
        {"numbered frames named .qfb write t.qfb beside them", "t.qfb", [](const std::string& d) { sound(d, "t-0001.qfb", 2, 2); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        c.setup(dir.path());
        const auto before = snapshot(dir.path());
        const qfbtest::RunResult run = qfbtest::run_makeqfb({"565", "15", c.base}, dir.path());
        if (c.transcript.empty()) {
            EXPECT_EQ(run.status, 0) << run.output;
            EXPECT_EQ(qfbtest::read_file(dir.file("t.qfb")).size(), 40u);
            continue;
        }
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, c.transcript);
        EXPECT_EQ(snapshot(dir.path()), before);
    }
}

}  // namespace
