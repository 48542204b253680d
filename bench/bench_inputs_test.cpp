// Tests of what the benchmarks stand on: the synthetic Targa files load back as the pixels they
// were made from (raw and run-length, both row orders, every depth, tall and narrow images),
// and whole makeqfb runs on generated frame sets write the reference words.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/targa_maker.h"
#include "targa.h"

namespace {

using qfbbench::Bytes;
using qfbbench::TargaShape;

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bench_inputs_test.XXXXXX").string();
        if (mkdtemp(&pattern[0]) != nullptr) path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

Bytes read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct LoadCase {
    const char* name;
    TargaShape shape;
};

// The large sets' frames, and shapes around 1024 rows, tall single columns and wide rows, where
// a row placement error would show.
const LoadCase load_cases[] = {
    {"32-bit frame of the large set", {1024, 512, 32, false, false}},
    {"24-bit frame of the large set", {1024, 682, 24, false, false}},
    {"one batch to the brim", {3, 1024, 24, false, false}},
    {"one row past a batch", {5, 1025, 32, false, false}},
    {"three batches, bottom-up", {7, 2049, 24, false, false}},
    {"three batches, top-down", {7, 2049, 32, false, true}},
    {"single column, bottom-up", {1, 3000, 32, false, false}},
    {"tall run-length, bottom-up", {9, 1100, 24, true, false}},
    {"wide run-length, top-down", {2000, 3, 32, true, true}},
    // 8 and 16 bits: one-byte rows, and the other widths of a run.
    {"8-bit column, bottom-up", {1, 1500, 8, false, false}},
    {"8-bit run-length", {300, 5, 8, true, false}},
    {"16-bit run-length, top-down", {129, 40, 16, true, true}},
};

TEST(BenchInputs, GeneratedFilesLoadAsTheirPixels)
{
    ScratchFolder folder;
    ASSERT_FALSE(folder.path().empty());
    constexpr size_t GUARD = 64;  // bytes past the image that the loader must leave alone
    for (const LoadCase& c : load_cases) {
        SCOPED_TRACE(c.name);
        const Bytes pixels = qfbbench::make_pixels(c.shape, 11);
        const Bytes file = qfbbench::encode_targa(c.shape, pixels);
        if (c.shape.rle) {
            EXPECT_LT(file.size(), pixels.size()) << "the encoder made no run packets";
        }
        const std::string path = folder.path() + "/in.tga";
        ASSERT_TRUE(qfbbench::write_file(path, file));
        Bytes dest(pixels.size() + GUARD, 0xEE);
        TargaError why = TargaError::none;
        ASSERT_EQ(read_targa(path.c_str(), dest.data(), pixels.size(), nullptr, &why), 0) << targa_error_text(why);
        EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), dest.begin())) << "pixels differ";
        EXPECT_EQ(Bytes(dest.end() - GUARD, dest.end()), Bytes(GUARD, 0xEE));
    }
}

// The word of one pixel as the format defines it, channel by channel.
uint16_t reference_word(int bits, const char* format, const uint8_t* p)
{
    const uint32_t b = p[0], g = p[1], r = p[2], a = bits == 32 ? p[3] : 255;
    const std::string f = format;
    if (f == "565") return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
    if (f == "4444") return static_cast<uint16_t>(((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4));
    return static_cast<uint16_t>((a == 0 ? 0x8000 : 0) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}

struct RunCase {
    int bits;
    const char* format;
    int32_t width, height, frames;
    bool rle, top_first;
};

// Mostly the benchmarks' kind of set (raw, bottom-up), and one of each other kind.
const RunCase run_cases[] = {
    {32, "4444", 64, 48, 3, false, false}, {32, "1555", 33, 17, 2, false, false},
    {32, "565", 64, 1030, 2, false, false}, {24, "565", 31, 7, 3, false, false},
    {24, "1555", 1024, 8, 2, false, false}, {32, "4444", 100, 60, 2, true, false},
    {24, "565", 70, 9, 2, false, true},
};

TEST(BenchInputs, WholeRunOnBottomUpSetsWritesTheReferenceWords)
{
    for (const RunCase& c : run_cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits to " << c.format << ", " << c.width << " x " << c.height
                                        << (c.rle ? ", run-length" : "") << (c.top_first ? ", top-down" : ""));
        ScratchFolder folder;
        ASSERT_FALSE(folder.path().empty());
        const TargaShape shape{c.width, c.height, c.bits, c.rle, c.top_first};
        const Bytes magic = {'.', 'q', 'f', 'b'};
        std::vector<Bytes> frames;
        for (int frame = 1; frame <= c.frames; ++frame) {
            frames.push_back(qfbbench::make_pixels(shape, static_cast<uint32_t>(frame)));
            char name[32];
            std::snprintf(name, sizeof name, "/walk-%04d.tga", frame);
            ASSERT_TRUE(qfbbench::write_file(folder.path() + name, qfbbench::encode_targa(shape, frames.back())));
        }
        const std::string command = std::string(MAKEQFB_BINARY) + " " + c.format + " 30 " + folder.path() +
                                    "/walk.tga >" + folder.path() + "/log";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << read_all(folder.path() + "/log").data();

        const Bytes qfb = read_all(folder.path() + "/walk.qfb");
        const size_t pixels = static_cast<size_t>(c.width) * static_cast<size_t>(c.height);
        ASSERT_EQ(qfb.size(), 32 + static_cast<size_t>(c.frames) * pixels * 2);
        ASSERT_TRUE(std::equal(magic.begin(), magic.end(), qfb.begin()));
        const size_t bytes_per_pixel = static_cast<size_t>(c.bits / 8);
        for (size_t f = 0; f < frames.size(); ++f) {
            const uint8_t* words = qfb.data() + 32 + f * pixels * 2;
            size_t bad = pixels;
            for (size_t i = 0; i < pixels && bad == pixels; ++i) {
                const uint16_t word = reference_word(c.bits, c.format, &frames[f][i * bytes_per_pixel]);
                if (words[2 * i] != (word & 0xFF) || words[2 * i + 1] != (word >> 8)) bad = i;
            }
            EXPECT_EQ(bad, pixels) << "frame " << f + 1 << ": first wrong pixel";
        }
    }
}

}  // namespace
