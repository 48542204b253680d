// The Targa writer: exact header and rows, read back by the tool's own loader, and the way it
// replaces files (never a partial file, never through a symbolic link).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "targa/targa_header.h"
#include "targa/targa_loader.h"
#include "targa/targa_writer.h"
#include "tests/support/test_support.h"

using qfbtest::Bytes;

namespace {

TargaWriteResult write_pattern(const std::string& path, int32_t w, int32_t h, const Bytes& pixels, int32_t fail_at_row = -1)
{
    return write_targa32(path.c_str(), w, h, [&](int32_t y, uint8_t* bgra) {
        if (y == fail_at_row) return false;
        std::copy(pixels.begin() + y * w * 4, pixels.begin() + (y + 1) * w * 4, bgra);
        return true;
    });
}

TEST(TargaWriter, WritesTopDown32BitFilesTheLoaderReadsBack)
{
    const int sizes[][2] = {{1, 1}, {3, 2}, {300, 7}, {0, 5}, {5, 0}, {0, 0}};
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1];
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        qfbtest::TempDir dir;
        const Bytes pixels = qfbtest::pattern(w, h, 4, static_cast<uint32_t>(w * 31 + h));
        ASSERT_EQ(write_pattern(dir.file("a.tga"), w, h, pixels), TargaWriteResult::ok);

        const Bytes file = qfbtest::read_file(dir.file("a.tga"));
        const Bytes header = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8),
                              static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8), 32, 0x28};
        ASSERT_EQ(file.size(), 18 + pixels.size());
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 18), header);
        EXPECT_EQ(Bytes(file.begin() + 18, file.end()), pixels);

        int32_t rw = -1, rh = -1, depth = -1;
        ASSERT_EQ(read_targa_info(dir.file("a.tga").c_str(), &rw, &rh, &depth), 0);
        EXPECT_EQ(rw, w);
        EXPECT_EQ(rh, h);
        EXPECT_EQ(depth, 32);
        Bytes loaded(pixels.size() + 1, 0xEE);
        ASSERT_EQ(read_targa(dir.file("a.tga").c_str(), loaded.data(), loaded.size(), nullptr), 0);
        EXPECT_EQ(Bytes(loaded.begin(), loaded.end() - 1), pixels);
    }
}

TEST(TargaWriter, ReplacesFilesWholeOrNotAtAll)
{
    const Bytes old_bytes = {'o', 'l', 'd'};
    const Bytes pixels = qfbtest::pattern(4, 3, 4, 9);
    struct Case {
        const char* what;
        int32_t w, h, fail_at_row;
        bool make_folder_at_name;  // a folder stands where the file should go
        TargaWriteResult result;
    } const cases[] = {
        {"replaces an existing file", 4, 3, -1, false, TargaWriteResult::ok},
        {"source fails on row 2", 4, 3, 2, false, TargaWriteResult::source_failed},
        {"negative width", -1, 3, -1, false, TargaWriteResult::bad_size},
        {"height above 65535", 4, 65536, -1, false, TargaWriteResult::bad_size},
        {"a folder of that name", 4, 3, -1, true, TargaWriteResult::rename_failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        const std::string name = dir.file("x.tga");
        if (c.make_folder_at_name) {
            ASSERT_EQ(mkdir(name.c_str(), 0755), 0);
            ASSERT_EQ(mkdir((name + "/inside").c_str(), 0755), 0);
        } else {
            qfbtest::write_file(name, old_bytes);
        }
        EXPECT_EQ(write_pattern(name, c.w, c.h, pixels, c.fail_at_row), c.result);
        if (!c.make_folder_at_name) {
            const Bytes now = qfbtest::read_file(name);
            if (c.result == TargaWriteResult::ok) EXPECT_EQ(now.size(), 18 + pixels.size());
            else EXPECT_EQ(now, old_bytes);
        }
        // No temporary file is left behind, whatever happened.
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) left.push_back(entry.path().filename());
        EXPECT_EQ(left, std::vector<std::string>{"x.tga"});
    }
}

TEST(TargaWriter, ReplacesASymbolicLinkInsteadOfWritingThroughIt)
{
    qfbtest::TempDir inside, outside;
    const Bytes victim = {'k', 'e', 'e', 'p'};
    qfbtest::write_file(outside.file("victim"), victim);
    ASSERT_EQ(symlink(outside.file("victim").c_str(), inside.file("x.tga").c_str()), 0);
    const Bytes pixels = qfbtest::pattern(2, 2, 4, 3);
    ASSERT_EQ(write_pattern(inside.file("x.tga"), 2, 2, pixels), TargaWriteResult::ok);
    EXPECT_EQ(qfbtest::read_file(outside.file("victim")), victim);
    struct stat info {};
    ASSERT_EQ(lstat(inside.file("x.tga").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(qfbtest::read_file(inside.file("x.tga")).size(), 18 + pixels.size());
}

TEST(TargaWriter, NewFilesGetTheUmaskMode)
{
    qfbtest::TempDir dir;
    const mode_t old_mask = umask(027);
    const TargaWriteResult result = write_pattern(dir.file("m.tga"), 1, 1, Bytes(4, 1));
    umask(old_mask);
    ASSERT_EQ(result, TargaWriteResult::ok);
    struct stat info {};
    ASSERT_EQ(stat(dir.file("m.tga").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(TargaWriter, MissingFolderIsCannotCreate)
{
    qfbtest::TempDir dir;
    EXPECT_EQ(write_pattern(dir.file("no/such/x.tga"), 1, 1, Bytes(4, 1)), TargaWriteResult::cannot_create);
    EXPECT_EQ(write_targa32("", 1, 1, [](int32_t, uint8_t*) { return true; }), TargaWriteResult::cannot_create);
}

}  // namespace
