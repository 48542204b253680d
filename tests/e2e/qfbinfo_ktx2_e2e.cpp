// qfbinfo --ktx2 end to end on the real binary: the transcript, the texture read back by the KTX2
// library into the QFB file's words (its empty levels left out) in both choices of formats, and
// the refusals, each one line with status 1 and nothing written.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <qfb/qfb.h>

#include "ktx2.h"
#include "tests/support/test_support.h"

using qfbtest::Bytes;
using qfbtest::RunResult;
using qfbtest::run_qfbinfo;
using qfbtest::TempDir;

namespace {

// A QFB file of the given header and pixel bytes counting up from seed.
Bytes qfb(int32_t w, int32_t h, int32_t format, int32_t fps, int32_t frames, int32_t mipmaps, uint8_t seed = 1)
{
    const qfb_header header = {w, h, format, fps, frames, mipmaps};
    qfb_file layout;
    EXPECT_EQ(qfb_layout(&header, &layout), QFB_OK);
    Bytes out(static_cast<size_t>(layout.size));
    qfb_encode_header(&header, out.data());
    for (size_t i = QFB_HEADER_SIZE; i < out.size(); ++i) out[i] = static_cast<uint8_t>(seed + i * 7);
    return out;
}

TEST(QfbinfoKtx2, WritesTheFramesAsATextureThatReadsBackToTheSameWords)
{
    struct Case {
        const char* what;
        Bytes file;
        bool as_stored;
        std::string transcript;
        uint32_t levels, fps;
    } const cases[] = {
        {"1555, its empty level left out", qfb(2, 1, QFB_FORMAT_1555, 5, 2, 1), false,
         "t.ktx2:  Creating a KTX2 texture of 2 frames of 2 x 1 with 1 level in VK_FORMAT_R5G5B5A1_UNORM_PACK16.\n",
         1, 5},
        {"1555 as stored", qfb(6, 4, QFB_FORMAT_1555, 30, 3, 2), true,
         "t.ktx2:  Creating a KTX2 texture of 3 frames of 6 x 4 with 3 levels in VK_FORMAT_A1R5G5B5_UNORM_PACK16.\n",
         3, 30},
        {"4444", qfb(32, 32, QFB_FORMAT_4444, 12, 3, 2), false,
         "t.ktx2:  Creating a KTX2 texture of 3 frames of 32 x 32 with 3 levels in VK_FORMAT_R4G4B4A4_UNORM_PACK16.\n",
         3, 12},
        {"4444 as stored", qfb(5, 3, QFB_FORMAT_4444, 24, 2, 5), true,
         "t.ktx2:  Creating a KTX2 texture of 2 frames of 5 x 3 with 2 levels in VK_FORMAT_A4R4G4B4_UNORM_PACK16.\n",
         2, 24},
        {"565, one frame: a 2D texture without fps", qfb(9, 7, QFB_FORMAT_565, 60, 1, 3), false,
         "t.ktx2:  Creating a KTX2 texture of 1 frame of 9 x 7 with 3 levels in VK_FORMAT_R5G6B5_UNORM_PACK16.\n",
         3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        qfbtest::write_file(dir.file("t.qfb"), c.file);
        std::vector<std::string> args = {"t.qfb", "--ktx2", "t.ktx2"};
        if (c.as_stored) args.push_back("--as-stored");
        const RunResult run = run_qfbinfo(args, dir.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, c.transcript + "KTX2 texture complete.\n");
        const Bytes file = qfbtest::read_file(dir.file("t.ktx2"));
        Ktx2Texture texture;
        ASSERT_EQ(read_ktx2(file.data(), file.size(), &texture), Ktx2Problem::none);
        EXPECT_EQ(texture.frames.level_count, c.levels);
        EXPECT_EQ(texture.frames.fps, c.fps);
        EXPECT_EQ(texture.frames.words, Bytes(c.file.begin() + QFB_HEADER_SIZE, c.file.end()));
    }
}

TEST(QfbinfoKtx2, RefusesEmptyFramesTakenNamesAndUnwritableOnes)
{
    struct Case {
        const char* what;
        Bytes file;
        std::string out, message;
    } const cases[] = {
        {"empty frames", qfb(0, 5, QFB_FORMAT_565, 1, 2, 0), "t.ktx2",
         "Frames of 0 x 5 can't be written as KTX2: a KTX2 texture has at least 1 pixel on a side.\n"},
        {"a taken name", qfb(1, 1, QFB_FORMAT_565, 1, 1, 0), "taken", "File already exists: taken (--force replaces it).\n"},
        {"a missing folder", qfb(1, 1, QFB_FORMAT_565, 1, 1, 0), "none/t.ktx2",
         "none/t.ktx2:  Creating a KTX2 texture of 1 frame of 1 x 1 with 1 level in VK_FORMAT_R5G6B5_UNORM_PACK16.\n"
         "Couldn't write KTX2 file none/t.ktx2: the file could not be created (No such file or directory).\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        qfbtest::write_file(dir.file("t.qfb"), c.file);
        qfbtest::write_file(dir.file("taken"), {'m', 'i', 'n', 'e'});
        const auto before = qfbtest::snapshot(dir.path());
        const RunResult run = run_qfbinfo({"t.qfb", "--ktx2", c.out}, dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, c.message);
        EXPECT_EQ(qfbtest::snapshot(dir.path()), before);
    }
    TempDir dir;
    qfbtest::write_file(dir.file("t.qfb"), qfb(1, 1, QFB_FORMAT_565, 1, 1, 0));
    qfbtest::write_file(dir.file("taken"), {'m', 'i', 'n', 'e'});
    EXPECT_EQ(run_qfbinfo({"t.qfb", "--force", "--ktx2", "taken"}, dir.path()).status, 0);
    const Bytes replaced = qfbtest::read_file(dir.file("taken"));
    Ktx2Texture texture;
    EXPECT_EQ(read_ktx2(replaced.data(), replaced.size(), &texture), Ktx2Problem::none);
}

}  // namespace
