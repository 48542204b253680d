// save_output: success puts exactly the file image on disk; every failure returns false and
// leaves the folder as it was (no partial output, no temporary file, old contents intact).
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "output/output_buffer.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qfbtest::Bytes;
using qfbtest::FileSizeLimit;
using qfbtest::snapshot;
using Prepare = std::function<std::string(const std::string& dir)>;  // prepares dir, returns the name

// A 64 x 64 two-frame 565 file image of 16,416 bytes.
Bytes fill_output()
{
    reset_output();
    write_header(64, 64, 2, 2, 0, 15);
    const Bytes pixels = qfbtest::pattern(64, 128, 2, 7);
    write_bytes(pixels.data(), static_cast<uint32_t>(pixels.size()));
    return Bytes(output_buffer, output_cursor);
}

std::string old_file(const std::string& d) { qfbtest::write_file(d + "/out.qfb", Bytes(100, 'o')); return d + "/out.qfb"; }
std::string link(const std::string& to, const std::string& d) { fs::create_symlink(to, d + "/out.qfb"); return d + "/out.qfb"; }

TEST(SaveOutput, FailuresLeaveTheFolderAsItWas)
{
    const struct {
        const char* what;
        Prepare setup;
        rlim_t file_size_limit;  // 0: none
        bool needs_non_root;     // permission bits do not stop root
    } cases[] = {
        {"output is a folder", [](const std::string& d) { fs::create_directory(d + "/out.qfb"); return d + "/out.qfb"; }, 0, false},
        {"folder missing", [](const std::string& d) { return d + "/missing/out.qfb"; }, 0, false},
        {"link to /dev/full", [](const std::string& d) { return link("/dev/full", d); }, 0, false},
        {"link to a folder", [](const std::string& d) { fs::create_directory(d + "/sub"); return link("sub", d); }, 0, false},
        {"dangling link into a missing folder", [](const std::string& d) { return link("missing/x.qfb", d); }, 0, false},
        {"link loop", [](const std::string& d) { fs::create_symlink("out.qfb", d + "/b.qfb"); return link("b.qfb", d); }, 0, false},
        {"empty name", [](const std::string&) { return std::string(); }, 0, false},
        {"write fails part way over an existing file", old_file, 4096, false},
        {"write fails part way, new file", [](const std::string& d) { return d + "/out.qfb"; }, 4096, false},
        {"folder not writable", [](const std::string& d) { const std::string name = old_file(d); chmod(d.c_str(), 0555); return name; }, 0, true},
    };
    fill_output();
    for (const auto& c : cases) {
        if (c.needs_non_root && geteuid() == 0) continue;
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        qfbtest::write_file(dir.file("neighbour.qfb"), Bytes(10, 'n'));
        const std::string name = c.setup(dir.path());
        const auto before = snapshot(dir.path());
        bool saved;
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (c.file_size_limit != 0) limit = std::make_unique<FileSizeLimit>(c.file_size_limit);
            saved = save_output(name.c_str());
        }
        chmod(dir.path().c_str(), 0700);
        EXPECT_FALSE(saved);
        EXPECT_EQ(snapshot(dir.path()), before);
    }
    EXPECT_FALSE(save_output(nullptr));
}

TEST(SaveOutput, SuccessPutsExactlyTheImageOnDisk)
{
    const mode_t umask_now = umask(022);
    umask(umask_now);
    const mode_t fresh = 0666 & ~umask_now;  // what fopen gives a new file
    const std::string long_name = std::string(250, 'n') + ".qfb";  // no room for a suffix
    const struct {
        const char* what;
        Prepare setup;
        std::string lands_in;  // the file that must hold the image, relative to the folder
        mode_t mode;
        std::vector<std::string> entries;  // everything in the folder afterwards
    } cases[] = {
        {"new file", [](const std::string& d) { return d + "/out.qfb"; }, "out.qfb", fresh, {"out.qfb"}},
        {"longer file is replaced, not appended to", [](const std::string& d) { qfbtest::write_file(d + "/out.qfb", Bytes(40000, 'o')); return d + "/out.qfb"; }, "out.qfb", fresh, {"out.qfb"}},
        {"existing file keeps its mode", [](const std::string& d) { old_file(d); chmod((d + "/out.qfb").c_str(), 0640); return d + "/out.qfb"; }, "out.qfb", 0640, {"out.qfb"}},
        {"link to a file replaces the target", [](const std::string& d) { qfbtest::write_file(d + "/real.qfb", Bytes(5, 'r')); return link("real.qfb", d); }, "real.qfb", fresh, {"out.qfb", "real.qfb"}},
        {"relative link from a subfolder", [](const std::string& d) { fs::create_directory(d + "/sub"); qfbtest::write_file(d + "/real.qfb", Bytes(5, 'r')); fs::create_symlink("../real.qfb", d + "/sub/out.qfb"); return d + "/sub/out.qfb"; }, "real.qfb", fresh, {"real.qfb", "sub", "sub/out.qfb"}},
        {"dangling link creates its target", [](const std::string& d) { return link("made.qfb", d); }, "made.qfb", fresh, {"made.qfb", "out.qfb"}},
        {"long name", [&](const std::string& d) { return d + "/" + long_name; }, long_name, fresh, {long_name}},
    };
    const Bytes image = fill_output();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        ASSERT_TRUE(save_output(c.setup(dir.path()).c_str()));
        const std::string landed = dir.file(c.lands_in);
        EXPECT_EQ(qfbtest::read_file(landed), image);
        EXPECT_EQ(fs::file_size(landed), output_size());
        struct stat info {};
        ASSERT_EQ(stat(landed.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, c.mode);
        std::vector<std::string> entries;
        for (const auto& [entry, contents] : snapshot(dir.path())) entries.push_back(entry);
        EXPECT_EQ(entries, c.entries) << "a temporary file was left behind, or a link replaced";
    }
    EXPECT_TRUE(save_output("/dev/null"));  // a device is written in place
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

}  // namespace
