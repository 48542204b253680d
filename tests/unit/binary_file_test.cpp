// BinaryFile: open modes, little-endian reads, short reads, positions and lengths.
#include <gtest/gtest.h>

#include "binary_file.h"
#include "tests/support/test_support.h"

using qfbtest::Bytes;
using qfbtest::TempDir;

namespace {

TEST(BinaryFile, OpenModes)
{
    TempDir dir;
    const std::string existing = dir.file("existing.bin");
    qfbtest::write_file(existing, {1, 2, 3});
    struct Case {
        std::string name;
        int mode;
        int result;
    } cases[] = {
        {existing, BinaryFile::READ, 0},
        {dir.file("missing.bin"), BinaryFile::READ, -1},
        {dir.file("created.bin"), BinaryFile::WRITE, 0},
        {existing, 3, -1},
        {existing, 0, -1},
        {dir.path(), BinaryFile::WRITE, -1},  // a directory cannot be written as a file
    };
    for (const Case& c : cases) {
        BinaryFile file;
        EXPECT_EQ(file.open(c.name.c_str(), c.mode), c.result) << c.name << " mode " << c.mode;
        EXPECT_EQ(file.is_open(), c.result == 0);
        EXPECT_EQ(file.close(), 0);
        EXPECT_EQ(file.close(), 0) << "closing twice is harmless";
    }
    EXPECT_TRUE(qfbtest::read_file(dir.file("created.bin")).empty());
}

TEST(BinaryFile, ReopenClosesTheFirstStream)
{
    TempDir dir;
    qfbtest::write_file(dir.file("a"), {0xAA});
    qfbtest::write_file(dir.file("b"), {0xBB});
    BinaryFile file;
    ASSERT_EQ(file.open(dir.file("a").c_str(), BinaryFile::READ), 0);
    ASSERT_EQ(file.open(dir.file("b").c_str(), BinaryFile::READ), 0);
    EXPECT_EQ(file.read_u8(), 0xBB);
    // A failed reopen leaves the object closed.
    EXPECT_EQ(file.open(dir.file("missing").c_str(), BinaryFile::READ), -1);
    EXPECT_FALSE(file.is_open());
}

TEST(BinaryFile, ReadsLittleEndianAndZeroesMissingBytes)
{
    TempDir dir;
    struct Case {
        Bytes contents;
        uint16_t first_u16;
        uint8_t then_u8;
    } cases[] = {
        {{0x34, 0x12, 0x56}, 0x1234, 0x56},
        {{0xFF, 0x00}, 255, 0},  // the byte after the end reads as 0
        {{0x7F}, 0x007F, 0},     // half a value: the missing high byte is 0
        {{}, 0, 0},
    };
    for (const Case& c : cases) {
        qfbtest::write_file(dir.file("f"), c.contents);
        BinaryFile file;
        ASSERT_EQ(file.open(dir.file("f").c_str(), BinaryFile::READ), 0);
        EXPECT_EQ(file.read_u16(), c.first_u16);
        EXPECT_EQ(file.read_u8(), c.then_u8);
        EXPECT_EQ(file.has_error(), 0) << "reaching the end is not an error";
    }
}

TEST(BinaryFile, ShortReadKeepsTheRestOfTheDestination)
{
    TempDir dir;
    qfbtest::write_file(dir.file("f"), {1, 2});
    BinaryFile file;
    ASSERT_EQ(file.open(dir.file("f").c_str(), BinaryFile::READ), 0);
    uint8_t buffer[4] = {9, 9, 9, 9};
    file.read(buffer, 4);
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{1, 2, 9, 9}));
    EXPECT_EQ(file.has_error(), 0);
}

TEST(BinaryFile, SeekTellAndLength)
{
    TempDir dir;
    qfbtest::write_file(dir.file("f"), Bytes(100, 7));
    BinaryFile file;
    ASSERT_EQ(file.open(dir.file("f").c_str(), BinaryFile::READ), 0);
    EXPECT_EQ(file.seek(40), 0);
    EXPECT_EQ(file.tell(), 40);
    EXPECT_EQ(file.length(), 100);
    EXPECT_EQ(file.tell(), 40) << "length leaves the position alone";
    EXPECT_EQ(file.seek(10), 0);
    EXPECT_EQ(file.tell(), 10) << "seek is absolute";
    EXPECT_EQ(file.seek(1000), 0) << "beyond the end is allowed";
    EXPECT_EQ(file.seek(-1), -1);
    file.close();
    EXPECT_EQ(file.length(), -1);
    EXPECT_EQ(file.tell(), -1);
}

TEST(BinaryFile, WritesAndReportsOutcome)
{
    TempDir dir;
    {
        BinaryFile file;
        ASSERT_EQ(file.open(dir.file("w").c_str(), BinaryFile::WRITE), 0);
        const uint8_t block[3] = {'q', 'f', 'b'};
        EXPECT_EQ(file.write(block, 3), 0);
        EXPECT_EQ(file.write_u8(0x01), 0);
        EXPECT_EQ(file.write_u16(0x1234), 0);
        EXPECT_EQ(file.close(), 0);
    }
    EXPECT_EQ(qfbtest::read_file(dir.file("w")), (Bytes{'q', 'f', 'b', 0x01, 0x34, 0x12}));

    BinaryFile closed;
    EXPECT_EQ(closed.write("x", 1), -1);

    BinaryFile full;
    if (full.open("/dev/full", BinaryFile::WRITE) == 0) {
        const Bytes big(1 << 16, 0);
        const bool write_failed = full.write(big.data(), static_cast<int32_t>(big.size())) != 0;
        const bool close_failed = full.close() != 0;
        EXPECT_TRUE(write_failed || close_failed) << "a full device must not look like success";
    }
}

TEST(BinaryFile, DestructorClosesTheStream)
{
    TempDir dir;
    {
        BinaryFile file;
        ASSERT_EQ(file.open(dir.file("d").c_str(), BinaryFile::WRITE), 0);
        file.write_u8(0x42);
    }  // the destructor flushes and closes
    EXPECT_EQ(qfbtest::read_file(dir.file("d")), (Bytes{0x42}));
}

}  // namespace
