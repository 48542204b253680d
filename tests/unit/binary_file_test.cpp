// BinaryFile: what its open modes open, and what they never wait on.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "targa.h"
#include "tests/support/test_support.h"

namespace {

TEST(BinaryFile, OpenModes)
{
    qfbtest::TempDir dir;
    const std::string existing = dir.file("existing.bin");
    qfbtest::write_file(existing, {1, 2, 3});
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0644), 0);
    const struct {
        std::string name;
        int mode;
        int result;
    } cases[] = {
        {existing, BinaryFile::READ, 0},
        {dir.file("missing.bin"), BinaryFile::READ, -1},
        {dir.file("pipe"), BinaryFile::READ, -1},   // may never deliver: never opened
        {dir.file("pipe"), BinaryFile::WRITE, -1},  // no one reads it
        {dir.file("created.bin"), BinaryFile::WRITE, 0},
        {existing, 3, -1},
        {existing, 0, -1},
        {dir.path(), BinaryFile::WRITE, -1},  // a directory cannot be written as a file
    };
    BinaryFile reopened;
    for (const auto& c : cases) {
        EXPECT_EQ(reopened.open(c.name.c_str(), c.mode), c.result) << c.name << " mode " << c.mode;
        EXPECT_EQ(reopened.is_open(), c.result == 0) << "a failed reopen leaves the object closed";
        BinaryFile file;
        EXPECT_EQ(file.open(c.name.c_str(), c.mode), c.result);
        EXPECT_EQ(file.close(), 0);
        EXPECT_EQ(file.close(), 0) << "closing twice is harmless";
    }
    EXPECT_TRUE(qfbtest::read_file(dir.file("created.bin")).empty());
}

}  // namespace
