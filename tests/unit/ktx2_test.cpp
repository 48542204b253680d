// The KTX2 library in process: the format table against libqfb's conversions over every word,
// frames of every format and choice written and read back word for word (and widened to BGRA
// that truncates to the same words), KTX2 chains longer than QFB's, and the reader against a
// table of damaged files, each refused with its named problem.
#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <qfb/qfb.h>

#include "ktx2.h"
#include "ktx2_formats.h"
#include "ktx2_layout.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Frames of random words in QFB's layout (the 1555 flag and 4444 alpha included).
Ktx2Frames random_frames(int32_t format, uint32_t width, uint32_t height, uint32_t frames, uint32_t levels,
                         uint32_t fps)
{
    Ktx2Frames f{format, width, height, frames, levels, fps, {}};
    f.words.resize(static_cast<size_t>(2 * frames * ktx2_frame_words(f)));
    std::mt19937 random(width * 131 + height * 7 + frames);
    for (uint8_t& byte : f.words) byte = static_cast<uint8_t>(random());
    return f;
}

Bytes written(const Ktx2Frames& frames, Ktx2Choice choice)
{
    Bytes out;
    EXPECT_EQ(write_ktx2(frames, choice, "test", &out), Ktx2Problem::none);
    return out;
}

TEST(Ktx2Formats, EachFormatsWordsAreLibqfbsConversionBothWays)
{
    struct Case {
        int32_t format;
        Ktx2Choice choice;
        uint32_t vk_format;
        qfb_target target;  // what libqfb converts the stored words to for that Vulkan format
    } const cases[] = {
        {QFB_FORMAT_565, Ktx2Choice::portable, 4, QFB_TARGET_AS_STORED},
        {QFB_FORMAT_565, Ktx2Choice::as_stored, 4, QFB_TARGET_AS_STORED},
        {QFB_FORMAT_4444, Ktx2Choice::portable, 2, QFB_TARGET_RGBA4444},
        {QFB_FORMAT_4444, Ktx2Choice::as_stored, 1000340000, QFB_TARGET_AS_STORED},
        {QFB_FORMAT_1555, Ktx2Choice::portable, 6, QFB_TARGET_RGBA5551},
        {QFB_FORMAT_1555, Ktx2Choice::as_stored, 8, QFB_TARGET_ARGB1555},
    };
    Bytes words(2 * 65536);
    for (size_t w = 0; w < 65536; ++w) {
        words[2 * w] = static_cast<uint8_t>(w);
        words[2 * w + 1] = static_cast<uint8_t>(w >> 8);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(ktx2_vk_format_name(c.vk_format));
        ASSERT_EQ(ktx2_vk_format(c.format, c.choice), c.vk_format);
        const Ktx2Format& format = *ktx2_format(c.vk_format);
        Bytes libqfb(words.size());
        ASSERT_EQ(qfb_convert_words(words.data(), 65536, c.format, c.target, libqfb.data()), QFB_OK);
        // Field by field (a small file) and through the table (a large one).
        for (const uint64_t file_words : {uint64_t{1}, uint64_t{1} << 20}) {
            Bytes ours(words.size()), back(words.size());
            Ktx2WordMap(format, Ktx2WordMap::to_vulkan, file_words).convert(words.data(), 65536, ours.data());
            EXPECT_EQ(ours, libqfb);
            Ktx2WordMap(format, Ktx2WordMap::to_qfb, file_words).convert(ours.data(), 65536, back.data());
            EXPECT_EQ(back, words);
        }
    }
}

TEST(Ktx2RoundTrip, FramesComeBackWordForWordAndWidenToTheSameWords)
{
    struct Case {
        int32_t format;
        uint32_t width, height, frames, levels, fps;
    } const cases[] = {
        {QFB_FORMAT_565, 1, 1, 1, 1, 30},     // a 2D texture: no fps comes back
        {QFB_FORMAT_4444, 32, 32, 3, 3, 12},  // the example set's shape
        {QFB_FORMAT_1555, 24, 16, 4, 5, 60},  // down to 1 x 1
        {QFB_FORMAT_565, 5, 1, 2, 1, 7},      // odd rows: levels 2-byte aligned, padded to 4
        {QFB_FORMAT_4444, 7, 3, 1, 2, 1},
        {QFB_FORMAT_1555, 3, 9, 2, 2, 24},
    };
    for (const Case& c : cases) {
        for (const Ktx2Choice choice : {Ktx2Choice::portable, Ktx2Choice::as_stored}) {
            SCOPED_TRACE(std::string(qfb_format_name(c.format)) + " " + std::to_string(c.width) + " x " +
                         std::to_string(c.height) + (choice == Ktx2Choice::portable ? " portable" : " as stored"));
            const Ktx2Frames frames = random_frames(c.format, c.width, c.height, c.frames, c.levels, c.fps);
            const Bytes file = written(frames, choice);
            Ktx2Texture texture;
            ASSERT_EQ(read_ktx2(file.data(), file.size(), &texture), Ktx2Problem::none);
            const Ktx2Frames& got = texture.frames;
            EXPECT_EQ(texture.vk_format, ktx2_vk_format(c.format, choice));
            EXPECT_TRUE(texture.srgb);
            EXPECT_EQ(texture.dropped_levels, 0u);
            EXPECT_EQ(std::vector<uint32_t>({uint32_t(got.format), got.width, got.height, got.frame_count,
                                             got.level_count, got.fps}),
                      std::vector<uint32_t>({uint32_t(c.format), c.width, c.height, c.frames, c.levels,
                                             c.frames > 1 ? c.fps : 0}));
            EXPECT_EQ(got.words, frames.words);
            for (uint32_t f = 0; f < got.frame_count; ++f) {
                for (uint32_t l = 0; l < got.level_count; ++l) {
                    const Ktx2Level level = ktx2_level(got, f, l);
                    const size_t count = size_t{level.width} * level.height;
                    Bytes bgra(count * 4), truncated(count * 2);
                    ktx2_widen_bgra(got, f, l, bgra.data());
                    ASSERT_EQ(qfb_encode_pixels(bgra.data(), count, 4, got.format, truncated.data()), QFB_OK);
                    EXPECT_EQ(truncated, Bytes(got.words.begin() + static_cast<long>(level.offset),
                                               got.words.begin() + static_cast<long>(level.offset + count * 2)))
                        << "frame " << f << " level " << l;
                }
            }
        }
    }
}

// A KTX2 file of one layer whose chain goes on to 1 x 1 (the sizes KTX2 gives, max(1, side >>
// level)), laid out from the header, the format's descriptor and the levels' words as given.
Bytes full_chain(uint32_t vk_format, uint32_t width, uint32_t height, uint32_t level_count, const Bytes& words)
{
    const std::vector<uint8_t> descriptor = ktx2_descriptor(*ktx2_format(vk_format), true);
    const size_t dfd_at = KTX2_HEADER_SIZE + KTX2_LEVEL_ENTRY_SIZE * std::max(level_count, 1u);
    Bytes file(dfd_at + descriptor.size(), 0);
    std::memcpy(file.data(), KTX2_IDENTIFIER, sizeof KTX2_IDENTIFIER);
    for (const auto& [at, value] : std::vector<std::pair<size_t, uint32_t>>{
             {KTX2_VK_FORMAT, vk_format}, {KTX2_TYPE_SIZE, 2}, {KTX2_PIXEL_WIDTH, width}, {KTX2_PIXEL_HEIGHT, height},
             {KTX2_FACE_COUNT, 1}, {KTX2_LEVEL_COUNT, level_count}, {KTX2_DFD_OFFSET, uint32_t(dfd_at)},
             {KTX2_DFD_LENGTH, uint32_t(descriptor.size())}})
        ktx2_put32(&file[at], value);
    std::memcpy(&file[dfd_at], descriptor.data(), descriptor.size());
    size_t taken = 0;
    for (uint32_t l = 0; l < std::max(level_count, 1u); ++l) {
        const size_t bytes = 2 * size_t{std::max(width >> l, 1u)} * std::max(height >> l, 1u);
        uint8_t* entry = &file[KTX2_HEADER_SIZE + KTX2_LEVEL_ENTRY_SIZE * l];
        ktx2_put64(entry, file.size());
        ktx2_put64(entry + 8, bytes);
        ktx2_put64(entry + 16, bytes);
        file.insert(file.end(), words.begin() + static_cast<long>(taken), words.begin() + static_cast<long>(taken + bytes));
        taken += bytes;
    }
    return file;
}

// Levels where one side has reached 1 and the other has not are beyond QFB's halving: kept while
// both sides last, the rest counted as dropped.
TEST(Ktx2Read, LevelsPastTheQfbChainAreLeftOutAndCounted)
{
    struct Case {
        uint32_t width, height, level_count;  // in the file
        uint32_t kept, dropped;
    } const cases[] = {
        {8, 2, 4, 2, 2}, {1, 4, 3, 1, 2}, {4, 4, 3, 3, 0}, {6, 6, 0, 1, 0},  // 0: the base level alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        Bytes words(2 * 64);
        for (size_t i = 0; i < words.size(); ++i) words[i] = static_cast<uint8_t>(i * 37);
        const Bytes file = full_chain(4, c.width, c.height, c.level_count, words);
        Ktx2Texture texture;
        ASSERT_EQ(read_ktx2(file.data(), file.size(), &texture), Ktx2Problem::none);
        EXPECT_EQ(texture.frames.level_count, c.kept);
        EXPECT_EQ(texture.dropped_levels, c.dropped);
        EXPECT_EQ(texture.frames.words, Bytes(words.begin(), words.begin() + static_cast<long>(texture.frames.words.size())));
    }
}

// Where a key's entry starts (its length field) in a file.
size_t entry_of(const Bytes& file, const char* key)
{
    const auto found = std::search(file.begin(), file.end(), key, key + std::strlen(key) + 1);
    return static_cast<size_t>(found - file.begin()) - 4;
}

void put32(Bytes& file, size_t at, uint32_t value) { ktx2_put32(&file[at], value); }
void put64(Bytes& file, size_t at, uint64_t value) { ktx2_put64(&file[at], value); }

TEST(Ktx2Read, DamagedFilesAreRefusedWithTheirProblem)
{
    // 4444, 8 x 8, 3 frames, 3 levels, R4G4B4A4.
    const Bytes sound = written(random_frames(QFB_FORMAT_4444, 8, 8, 3, 3, 12), Ktx2Choice::portable);
    const size_t level0 = KTX2_HEADER_SIZE, dfd = ktx2_get32(&sound[KTX2_DFD_OFFSET]);
    const size_t sample0 = dfd + 4 + 24, anim = entry_of(sound, KTX2_KEY_ANIMATION);
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        Ktx2Problem problem;
        bool srgb = true;  // of an accepted file
    } const cases[] = {
        {"empty", [](Bytes& f) { f.clear(); }, Ktx2Problem::too_short},
        {"cut in the index", [](Bytes& f) { f.resize(KTX2_HEADER_SIZE - 1); }, Ktx2Problem::too_short},
        {"cut in the level index", [](Bytes& f) { f.resize(KTX2_HEADER_SIZE + 60); }, Ktx2Problem::too_short},
        {"cut in the last level", [](Bytes& f) { f.pop_back(); }, Ktx2Problem::bad_level},
        {"wrong identifier", [](Bytes& f) { f[1] = 'k'; }, Ktx2Problem::not_ktx2},
        {"Zstandard", [](Bytes& f) { put32(f, KTX2_SUPERCOMPRESSION, 2); }, Ktx2Problem::supercompressed},
        {"BasisLZ", [](Bytes& f) { put32(f, KTX2_SUPERCOMPRESSION, 1), put32(f, KTX2_VK_FORMAT, 0); },
         Ktx2Problem::supercompressed},
        {"R8G8B8A8", [](Bytes& f) { put32(f, KTX2_VK_FORMAT, 37); }, Ktx2Problem::unsupported_format},
        {"B4G4R4A4", [](Bytes& f) { put32(f, KTX2_VK_FORMAT, 3); }, Ktx2Problem::unsupported_format},
        {"typeSize 1", [](Bytes& f) { put32(f, KTX2_TYPE_SIZE, 1); }, Ktx2Problem::bad_type_size},
        {"3D", [](Bytes& f) { put32(f, KTX2_PIXEL_DEPTH, 2); }, Ktx2Problem::not_2d},
        {"1D", [](Bytes& f) { put32(f, KTX2_PIXEL_HEIGHT, 0); }, Ktx2Problem::not_2d},
        {"cubemap", [](Bytes& f) { put32(f, KTX2_FACE_COUNT, 6); }, Ktx2Problem::not_2d},
        {"32768 wide", [](Bytes& f) { put32(f, KTX2_PIXEL_WIDTH, 32768); }, Ktx2Problem::too_large},
        {"5 levels of 8 x 8", [](Bytes& f) { put32(f, KTX2_LEVEL_COUNT, 5); }, Ktx2Problem::bad_level_count},
        {"2^32 - 1 levels", [](Bytes& f) { put32(f, KTX2_LEVEL_COUNT, 0xFFFFFFFF); }, Ktx2Problem::bad_level_count},
        {"2^32 - 1 layers", [](Bytes& f) { put32(f, KTX2_LAYER_COUNT, 0xFFFFFFFF); }, Ktx2Problem::bad_level},
        {"descriptor past the end", [](Bytes& f) { put32(f, KTX2_DFD_OFFSET, uint32_t(f.size()) - 8); },
         Ktx2Problem::bad_index},
        {"descriptor of 2^32 - 1 bytes", [](Bytes& f) { put32(f, KTX2_DFD_LENGTH, 0xFFFFFFFF); }, Ktx2Problem::bad_index},
        {"key/value data past the end", [](Bytes& f) { put32(f, KTX2_KVD_LENGTH, uint32_t(f.size())); },
         Ktx2Problem::bad_index},
        {"global data", [](Bytes& f) { put64(f, KTX2_SGD_LENGTH, 8); }, Ktx2Problem::bad_index},
        {"dfdTotalSize not dfdByteLength", [dfd](Bytes& f) { put32(f, dfd, 88); }, Ktx2Problem::bad_descriptor},
        {"a block size past the descriptor", [dfd](Bytes& f) { f[dfd + 11] = 1; }, Ktx2Problem::bad_descriptor},
        {"colour model unspecified", [dfd](Bytes& f) { f[dfd + 12] = 0; }, Ktx2Problem::bad_descriptor},
        {"a sample's bits moved", [sample0](Bytes& f) { f[sample0] = 1; }, Ktx2Problem::bad_descriptor},
        {"a sample signed", [sample0](Bytes& f) { f[sample0 + 3] |= 0x40; }, Ktx2Problem::bad_descriptor},
        {"R5G6B5 with a 4444 descriptor", [](Bytes& f) { put32(f, KTX2_VK_FORMAT, 4); }, Ktx2Problem::bad_descriptor},
        {"A4R4G4B4 with R4G4B4A4's descriptor", [](Bytes& f) { put32(f, KTX2_VK_FORMAT, 1000340000); },
         Ktx2Problem::bad_descriptor},
        {"transfer PQ", [dfd](Bytes& f) { f[dfd + 14] = 10; }, Ktx2Problem::unsupported_transfer},
        {"premultiplied", [dfd](Bytes& f) { f[dfd + 15] = 1; }, Ktx2Problem::premultiplied},
        {"an entry longer than the data", [anim](Bytes& f) { put32(f, anim, 4000); }, Ktx2Problem::bad_key_value},
        {"an entry of 1 byte", [anim](Bytes& f) { put32(f, anim, 1); }, Ktx2Problem::bad_key_value},
        {"a key without its NUL", [](Bytes& f) {
             const size_t at = entry_of(f, KTX2_KEY_WRITER);
             std::fill(f.begin() + long(at) + 4, f.begin() + long(at) + 4 + long(ktx2_get32(&f[at])), 'x');
         }, Ktx2Problem::bad_key_value},
        {"KTXanimData of 8 bytes", [anim](Bytes& f) { put32(f, anim, 20); }, Ktx2Problem::bad_animation},
        {"duration 0", [anim](Bytes& f) { put32(f, anim + 16, 0); }, Ktx2Problem::bad_animation},
        {"timescale 0", [anim](Bytes& f) { put32(f, anim + 20, 0); }, Ktx2Problem::bad_animation},
        {"level 0 past the end", [](Bytes& f) { put64(f, level0, f.size() - 100); }, Ktx2Problem::bad_level},
        {"level 0 at 2^64 - 16", [](Bytes& f) { put64(f, level0, ~uint64_t{15}); }, Ktx2Problem::bad_level},
        {"level 1 two bytes short", [](Bytes& f) { put64(f, level0 + 24 + 8, 94); }, Ktx2Problem::bad_level},
        {"uncompressed length differs", [](Bytes& f) { put64(f, level0 + 16, 0); }, Ktx2Problem::bad_level},
        // What the reader takes from other writers.
        {"linear", [dfd, sample0](Bytes& f) { f[dfd + 14] = 1, f[sample0 + 3] &= 0x0F; }, Ktx2Problem::none, false},
        {"primaries unspecified", [dfd](Bytes& f) { f[dfd + 13] = 0; }, Ktx2Problem::none},
        {"no key/value data", [](Bytes& f) { put32(f, KTX2_KVD_OFFSET, 0), put32(f, KTX2_KVD_LENGTH, 0); },
         Ktx2Problem::none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = sound;
        c.damage(file);
        Ktx2Texture texture;
        texture.frames.width = 12345;
        const Ktx2Problem problem = read_ktx2(file.data(), file.size(), &texture);
        EXPECT_EQ(problem, c.problem) << ktx2_problem_text(problem);
        EXPECT_NE(std::string(ktx2_problem_text(problem)), "unknown problem");
        if (c.problem != Ktx2Problem::none) {
            EXPECT_EQ(texture.frames.width, 12345u);  // untouched
        } else {
            EXPECT_EQ(texture.srgb, c.srgb);
        }
    }
}

TEST(Ktx2Write, FramesThatAreNoTextureAreRefused)
{
    const Ktx2Frames sound = random_frames(QFB_FORMAT_565, 4, 2, 2, 2, 10);
    const struct {
        const char* what;
        std::function<void(Ktx2Frames&)> change;
    } cases[] = {
        {"no fps for frames", [](Ktx2Frames& f) { f.fps = 0; }},
        {"a level of 1 x 0", [](Ktx2Frames& f) { f.level_count = 3; }},
        {"no levels", [](Ktx2Frames& f) { f.level_count = 0; }},
        {"a word missing", [](Ktx2Frames& f) { f.words.resize(f.words.size() - 2); }},
        {"format 3", [](Ktx2Frames& f) { f.format = 3; }},
        {"0 wide", [](Ktx2Frames& f) { f.width = 0; }},
    };
    for (const auto& c : cases) {
        Ktx2Frames frames = sound;
        c.change(frames);
        Bytes out;
        EXPECT_EQ(write_ktx2(frames, Ktx2Choice::portable, "", &out), Ktx2Problem::bad_frames) << c.what;
    }
}

}  // namespace
