// The GIF and WebP readers: every form a file comes in, made at test time by Pillow, gifsicle,
// img2webp and webpmux, against the frames Pillow composites from the same file; GIF compositing
// in files built here, each row a rule of the browsers' with the pixels they show; and damaged
// files, each refused with its outcome.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "animation_limits.h"
#include "gif_reader.h"
#include "tests/support/test_support.h"
#include "webp_reader.h"

namespace {

using qfbtest::Bytes;

bool ends_with(const std::string& name, const char* end)
{
    const size_t n = std::strlen(end);
    return name.size() >= n && name.compare(name.size() - n, n, end) == 0;
}

AnimationResult read_any(const std::string& name, const Bytes& bytes, Animation& animation)
{
    return ends_with(name, ".gif") ? read_gif(bytes.data(), bytes.size(), animation)
                                   : read_webp(bytes.data(), bytes.size(), animation);
}

// Where the frames differ, said; empty when they agree. Pixels of alpha 0 in both agree whatever
// their colour: Pillow keeps the colour table's colour under the transparent index, the GIF reader
// gives 0.
std::string first_difference(const Image& frame, const uint8_t* rgba)
{
    for (int32_t y = 0; y < frame.height; ++y)
        for (int32_t x = 0; x < frame.width; ++x) {
            const uint8_t* ours = frame.row(y) + size_t(x) * 4;
            const uint8_t* theirs = rgba + (size_t(y) * frame.width + x) * 4;
            if (ours[3] == 0 && theirs[3] == 0) continue;
            if (ours[0] != theirs[2] || ours[1] != theirs[1] || ours[2] != theirs[0] || ours[3] != theirs[3]) {
                std::ostringstream said;
                said << "at " << x << "," << y << ": ours " << int(ours[2]) << "," << int(ours[1]) << "," << int(ours[0])
                     << "," << int(ours[3]) << ", Pillow's " << int(theirs[0]) << "," << int(theirs[1]) << ","
                     << int(theirs[2]) << "," << int(theirs[3]);
                return said.str();
            }
        }
    return {};
}

TEST(AnimationReaders, EverySampleGivesPillowsFramesAndTheDurationsABrowserShows)
{
    qfbtest::TempDir folder;
    const qfbtest::RunResult made = qfbtest::run_program(
        PYTHON3, {ANIMATION_SAMPLES_SCRIPT, folder.path(), GIFSICLE, IMG2WEBP, WEBPMUX});
    ASSERT_EQ(made.status, 0) << made.output;
    const std::vector<qfbtest::AnimationSample> samples = qfbtest::read_animation_manifest(folder.file("manifest.txt"));
    for (const qfbtest::AnimationSample& sample : samples) {
        const std::string& name = sample.name;
        const int32_t width = sample.width, height = sample.height;
        const size_t frames = sample.frames;
        SCOPED_TRACE(name);
        Animation animation;
        const AnimationResult result = read_any(name, qfbtest::read_file(folder.file(name)), animation);
        ASSERT_TRUE(result.ok()) << animation_problem_text(result.problem);
        ASSERT_EQ(animation.frames.size(), frames);
        const Bytes reference = qfbtest::read_file(folder.file(name + ".rgba"));
        ASSERT_EQ(reference.size(), frames * width * height * 4);
        std::istringstream pillow_durations(sample.durations);
        for (size_t i = 0; i < frames; ++i) {
            const Image& frame = animation.frames[i];
            ASSERT_EQ(frame.bits_per_pixel, 32);
            ASSERT_EQ(frame.width, width);
            ASSERT_EQ(frame.height, height);
            EXPECT_EQ(first_difference(frame, reference.data() + i * width * height * 4), "") << "frame " << i;
            uint32_t ms = 0;
            pillow_durations >> ms;
            pillow_durations.ignore(1);
            EXPECT_EQ(animation.durations_ms[i], ms <= 10 ? 100 : ms) << "frame " << i;  // browsers: 10 ms or less shows 100
        }
    }
    EXPECT_GE(samples.size(), 20u);
}

// A GIF file built here. Pixels are colour indices written as digits; the LZW data holds each
// pixel as a literal code, a clear code every 200, so that codes stay 9 bits wide.
struct TestGifImage {
    TestGifImage(uint16_t x, uint16_t y, uint16_t w, uint16_t h, std::string indices, int dispose = 0, int delay = 0,
            int transparent_index = -1)
        : left(x), top(y), width(w), height(h), pixels(std::move(indices)), disposal(dispose), delay_cs(delay),
          transparent(transparent_index)
    {
    }
    TestGifImage& without_control() { return control = false, *this; }
    TestGifImage& interlace() { return interlaced = true, *this; }
    TestGifImage& with_table(Bytes table) { return local_table = std::move(table), *this; }
    TestGifImage& after(Bytes bytes) { return before = std::move(bytes), *this; }
    TestGifImage& with_lzw(Bytes data) { return lzw = std::move(data), *this; }

    uint16_t left, top, width, height;
    std::string pixels;  // width x height indices as digits, top row first
    int disposal, delay_cs, transparent;
    bool control = true;  // a graphic control block before the image
    bool interlaced = false;
    Bytes local_table;  // red, green, blue triples
    Bytes before;       // raw bytes before the image (before its control block)
    Bytes lzw;          // raw LZW data (code size and sub-blocks) instead of the pixels'
};

void put16(Bytes& out, unsigned value)
{
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t(value >> 8));
}

// The colour table's size field for count entries (2 to 256, a power of two).
uint8_t table_bits(size_t count)
{
    uint8_t bits = 0;
    while ((size_t{2} << bits) < count) ++bits;
    return bits;
}

Bytes lzw_literals(const std::vector<uint8_t>& indices)
{
    std::vector<unsigned> codes{256};
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i != 0 && i % 200 == 0) codes.push_back(256);
        codes.push_back(indices[i]);
    }
    codes.push_back(257);
    Bytes packed;
    uint32_t bits = 0, count = 0;
    for (unsigned code : codes) {
        bits |= code << count;
        for (count += 9; count >= 8; count -= 8, bits >>= 8) packed.push_back(uint8_t(bits & 0xFF));
    }
    if (count > 0) packed.push_back(uint8_t(bits));
    Bytes data{8};
    for (size_t at = 0; at < packed.size(); at += 255) {
        const size_t n = std::min<size_t>(255, packed.size() - at);
        data.push_back(uint8_t(n));
        data.insert(data.end(), packed.begin() + long(at), packed.begin() + long(at + n));
    }
    data.push_back(0);
    return data;
}

const Bytes RGBW = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};  // indices 0 to 3: R, G, B, W

Bytes build_gif(unsigned width, unsigned height, const std::vector<TestGifImage>& images, const Bytes& global = RGBW,
                bool trailer = true)
{
    Bytes out{'G', 'I', 'F', '8', '9', 'a'};
    put16(out, width);
    put16(out, height);
    out.push_back(global.empty() ? 0 : uint8_t(0x80 | table_bits(global.size() / 3)));
    out.push_back(0);
    out.push_back(0);
    out.insert(out.end(), global.begin(), global.end());
    for (const TestGifImage& image : images) {
        out.insert(out.end(), image.before.begin(), image.before.end());
        if (image.control) {
            out.insert(out.end(), {0x21, 0xF9, 4});
            out.push_back(uint8_t(image.disposal << 2 | (image.transparent >= 0 ? 1 : 0)));
            put16(out, unsigned(image.delay_cs));
            out.push_back(uint8_t(image.transparent >= 0 ? image.transparent : 0));
            out.push_back(0);
        }
        out.push_back(0x2C);
        put16(out, image.left);
        put16(out, image.top);
        put16(out, image.width);
        put16(out, image.height);
        out.push_back(uint8_t((image.local_table.empty() ? 0 : 0x80 | table_bits(image.local_table.size() / 3)) |
                              (image.interlaced ? 0x40 : 0)));
        out.insert(out.end(), image.local_table.begin(), image.local_table.end());
        if (!image.lzw.empty()) {
            out.insert(out.end(), image.lzw.begin(), image.lzw.end());
            continue;
        }
        std::vector<uint8_t> indices;
        if (!image.pixels.empty()) {  // in the file's row order
            static const int first[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < (image.interlaced ? 4 : 1); ++pass)
                for (int y = image.interlaced ? first[pass] : 0; y < image.height; y += image.interlaced ? step[pass] : 1)
                    for (int x = 0; x < image.width; ++x) indices.push_back(uint8_t(image.pixels[size_t(y * image.width + x)] - '0'));
        }
        const Bytes data = lzw_literals(indices);
        out.insert(out.end(), data.begin(), data.end());
    }
    if (trailer) out.push_back(0x3B);
    return out;
}

// A frame as letters, rows split by '/': R, G, B, W and K (black) opaque, '.' transparent.
std::string letters(const Image& frame)
{
    std::string out;
    for (int32_t y = 0; y < frame.height; ++y) {
        if (y > 0) out += '/';
        for (int32_t x = 0; x < frame.width; ++x) {
            const uint8_t* p = frame.row(y) + size_t(x) * 4;
            const uint32_t bgra = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
            switch (bgra) {
            case 0x0000FFFF: out += 'R'; break;
            case 0x00FF00FF: out += 'G'; break;
            case 0xFF0000FF: out += 'B'; break;
            case 0xFFFFFFFF: out += 'W'; break;
            case 0x000000FF: out += 'K'; break;
            case 0x00000000: out += '.'; break;
            default: out += '?';
            }
        }
    }
    return out;
}

TEST(GifReader, CompositesAsBrowsersShow)
{
    struct Case {
        const char* what;
        unsigned width, height;
        std::vector<TestGifImage> images;
        std::vector<std::string> frames;
        std::vector<uint32_t> durations;
    } cases[] = {
        {"a frame passing the screen's edges is clipped", 3, 2, {{1, 1, 3, 2, "012301"}}, {".../.RG"}, {100}},
        {"frames wholly outside the screen, beside it and below it, draw nothing", 2, 1,
         {{0, 0, 2, 1, "01"}, {5, 0, 1, 1, "2"}, {0, 5, 1, 1, "2"}}, {"RG", "RG", "RG"}, {100, 100, 100}},
        {"restore to background clears the rectangle to transparent, with no transparent index", 3, 1,
         {{0, 0, 3, 1, "000", 1}, {1, 0, 1, 1, "1", 2}, {0, 0, 1, 1, "2"}}, {"RRR", "RGR", "B.R"}, {100, 100, 100}},
        {"restore to previous puts back the whole canvas from before the frame", 3, 1,
         {{0, 0, 3, 1, "000", 1}, {0, 0, 2, 1, "11", 3}, {2, 0, 1, 1, "2"}}, {"RRR", "GGR", "RRB"}, {100, 100, 100}},
        {"disposal 4 restores to previous, 5 to 7 keep the frame", 3, 1,
         {{0, 0, 3, 1, "000", 1}, {0, 0, 1, 1, "1", 4}, {1, 0, 1, 1, "1", 5}, {2, 0, 1, 1, "2", 7}, {0, 0, 1, 1, "3", 6}},
         {"RRR", "GRR", "RGR", "RGB", "WGB"}, {100, 100, 100, 100, 100}},
        {"a first frame restored to previous leaves the transparent screen", 3, 1,
         {{0, 0, 3, 1, "000", 3}, {1, 0, 1, 1, "1"}}, {"RRR", ".G."}, {100, 100}},
        {"the transparent index is not drawn, an index past the table draws opaque black", 4, 1,
         {{0, 0, 4, 1, "0000"}, {0, 0, 4, 1, "1259", 1, 0, 9}}, {"RRRR", "GBKR"}, {100, 100}},
        {"a graphic control block serves the next image only", 3, 1,
         {{0, 0, 3, 1, "000"}, {0, 0, 3, 1, "120", 1, 7, 0}, TestGifImage(0, 0, 3, 1, "100").without_control()},
         {"RRR", "GBR", "GRR"}, {100, 70, 100}},
        {"0 and 1 hundredths show for 100 ms, 2 for 20 ms", 1, 1,
         {{0, 0, 1, 1, "0", 0, 0}, {0, 0, 1, 1, "1", 0, 1}, {0, 0, 1, 1, "2", 0, 2}, {0, 0, 1, 1, "3", 0, 150}},
         {"R", "G", "B", "W"}, {100, 100, 20, 1500}},
        {"interlaced rows land in place", 1, 9, {TestGifImage(0, 0, 1, 9, "012301230").interlace()},
         {"R/G/B/W/R/G/B/W/R"}, {100}},
        {"a local colour table serves instead of the global one", 2, 1,
         {TestGifImage(0, 0, 2, 1, "01").with_table({255, 255, 255, 0, 0, 0})}, {"WK"}, {100}},
        {"a frame without pixels still shows", 2, 1, {{0, 0, 2, 1, "01"}, {1, 0, 0, 0, "", 0, 5}}, {"RG", "RG"}, {100, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes file = build_gif(c.width, c.height, c.images);
        Animation animation;
        const AnimationResult result = read_gif(file.data(), file.size(), animation);
        ASSERT_TRUE(result.ok()) << animation_problem_text(result.problem);
        std::vector<std::string> frames;
        for (const Image& frame : animation.frames) frames.push_back(letters(frame));
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(animation.durations_ms, c.durations);
    }
}

// A damaged file and the outcome its reader gives, with its value.
struct Refusal {
    const char* what;
    Bytes file;
    AnimationProblem problem;
    uint64_t value;
};

// read takes whole, then refuses it cut at every offset as cut short, and each case's file with its
// outcome, leaving no frame.
void expect_refusals(AnimationResult (*read)(const uint8_t*, size_t, Animation&), const Bytes& whole,
                     std::vector<Refusal> cases)
{
    for (size_t size = 0; size < whole.size(); ++size)
        cases.push_back({"the file cut short", Bytes(whole.begin(), whole.begin() + long(size)),
                         AnimationProblem::cut_short, 0});
    Animation animation;
    ASSERT_TRUE(read(whole.data(), whole.size(), animation).ok()) << "the whole file reads";
    for (const Refusal& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " (" + std::to_string(c.file.size()) + " bytes)");
        animation.frames.assign(1, Image{});
        const AnimationResult result = read(c.file.data(), c.file.size(), animation);
        EXPECT_EQ(animation_problem_text(result.problem), animation_problem_text(c.problem));
        EXPECT_EQ(result.value, c.value);
        EXPECT_TRUE(animation.frames.empty() && animation.durations_ms.empty());
    }
}

// A GIF of every kind of block: two frames, control blocks, a comment, a local table, interlacing.
Bytes every_block_gif()
{
    return build_gif(3, 9, {{0, 0, 3, 9, "012301230123012301230123012", 1, 10},
                            TestGifImage(1, 0, 2, 9, "012301230123012301", 2, 4, 3)
                                .interlace()
                                .with_table({0, 0, 0, 255, 255, 255})
                                .after({0x21, 0xFE, 3, 'h', 'i', '!', 0})});
}

TEST(GifReader, RefusesEveryDamagedFileWithItsOutcome)
{
    std::vector<Refusal> cases = {
        {"a PNG file", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0}, AnimationProblem::not_gif, 0},
        {"an unknown version", {'G', 'I', 'F', '8', '8', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}, AnimationProblem::not_gif, 0},
        {"a screen 0 pixels wide", build_gif(0, 4, {{0, 0, 1, 1, "0"}}), AnimationProblem::empty_screen, 0},
        {"a screen of more bytes than an image may have", build_gif(1025, 512, {{0, 0, 1, 1, "0"}}),
         AnimationProblem::screen_too_large, 1025u * 512 * 4},
        {"a screen wider than a side may be", build_gif(32768, 1, {{0, 0, 1, 1, "0"}}),
         AnimationProblem::screen_too_large, 32768u * 4},
        {"a frame's rectangle larger than an image may be", build_gif(4, 4, {{0, 0, 2048, 2048, ""}}),
         AnimationProblem::frame_too_large, 2048u * 2048 * 4},
        {"only a header and the trailer", build_gif(4, 4, {}), AnimationProblem::no_frames, 0},
        {"a block of no known kind",
         build_gif(1, 1, {TestGifImage(0, 0, 1, 1, "0").after({0x99})}), AnimationProblem::bad_block, 0},
        {"a graphic control block of 5 bytes",
         build_gif(1, 1, {TestGifImage(0, 0, 1, 1, "0").after({0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0}).without_control()}),
         AnimationProblem::bad_block, 0},
        {"a graphic control extension without its block",
         build_gif(1, 1, {TestGifImage(0, 0, 1, 1, "0").after({0x21, 0xF9, 0}).without_control()}),
         AnimationProblem::bad_block, 0},
        {"no colour table at all", build_gif(2, 1, {{0, 0, 2, 1, "01"}}, {}), AnimationProblem::no_colour_table, 0},
        {"an LZW code size above 8",
         build_gif(1, 1, {TestGifImage(0, 0, 1, 1, "0").with_lzw({12, 1, 0, 0})}), AnimationProblem::bad_lzw, 0},
        {"LZW data that ends before the frame's pixels",
         build_gif(2, 1, {TestGifImage(0, 0, 2, 1, "01").with_lzw(lzw_literals({0}))}), AnimationProblem::bad_lzw, 0},
        {"an LZW code never defined (a clear code, then 511)",
         build_gif(2, 1, {TestGifImage(0, 0, 2, 1, "01").with_lzw({8, 3, 0x00, 0xFF, 0x03, 0})}), AnimationProblem::bad_lzw, 0},
        {"an empty sub-block where the LZW data starts",
         build_gif(1, 1, {TestGifImage(0, 0, 1, 1, "0").with_lzw({8, 0})}), AnimationProblem::bad_lzw, 0},
    };
    // Frames that together pass the bound on decoded bytes: whole frames of 1024 x 512 pixels
    // (2 MiB) and a record each; the one after the last that fits is refused.
    const uint64_t per_frame = 1024 * 512 * 4 + 1 + FRAME_RECORD_BYTES;
    std::vector<TestGifImage> many(MAX_ANIMATION_BYTES / per_frame + 1, TestGifImage(0, 0, 1, 1, "0"));
    cases.push_back({"more frames than a QFB file could hold", build_gif(1024, 512, many),
                     AnimationProblem::too_many_frames, many.size()});
    const Bytes whole = every_block_gif();
    Bytes huge(MAX_ANIMATION_FILE + 1, 0);
    std::copy(whole.begin(), whole.end(), huge.begin());
    cases.push_back({"a file of more than 64 MiB", std::move(huge), AnimationProblem::file_too_large, MAX_ANIMATION_FILE + 1});
    expect_refusals(read_gif, whole, std::move(cases));
}

// The offset of the first chunk named fourcc after the RIFF header of a WebP file (its header's).
size_t chunk_at(const Bytes& file, const char* fourcc)
{
    for (size_t at = 12; at + 8 <= file.size();) {
        if (std::memcmp(file.data() + at, fourcc, 4) == 0) return at;
        const size_t size = file[at + 4] | size_t{file[at + 5]} << 8 | size_t{file[at + 6]} << 16 | size_t{file[at + 7]} << 24;
        at += 8 + size + (size & 1);
    }
    ADD_FAILURE() << "no chunk " << fourcc;
    return 0;
}

// file with its canvas set to width x height (the VP8X chunk holds each less 1, in 24 bits).
Bytes with_canvas(Bytes file, uint32_t width, uint32_t height)
{
    const size_t at = chunk_at(file, "VP8X") + 12;
    for (int i = 0; i < 3; ++i) {
        file[at + size_t(i)] = uint8_t((width - 1) >> (8 * i));
        file[at + 3 + size_t(i)] = uint8_t((height - 1) >> (8 * i));
    }
    return file;
}

TEST(WebpReader, RefusesEveryDamagedFileWithItsOutcome)
{
    const Bytes whole = qfbtest::read_file(ANIMATION_CORPUS "/webp/webpmux-modes-0.webp");
    std::vector<Refusal> cases = {
        {"a PNG file", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0, 0, 0}, AnimationProblem::not_webp, 0},
        {"a RIFF file of another kind", [&] {
             Bytes file = whole;
             std::memcpy(file.data() + 8, "WAVE", 4);
             return file;
         }(), AnimationProblem::not_webp, 0},
        {"a chunk passing the container's end", [&] {
             Bytes file = whole;
             file[chunk_at(file, "ANMF") + 7] = 0x10;
             return file;
         }(), AnimationProblem::bad_chunks, 0},
        {"a frame passing the canvas", with_canvas(whole, 30, 32), AnimationProblem::bad_chunks, 0},
        {"a frame's compressed data damaged", [&] {
             Bytes file = whole;
             const size_t image = chunk_at(file, "ANMF") + 8 + 16;  // the frame's image chunk
             std::fill(file.begin() + long(image + 8 + 5), file.begin() + long(image + 8 + 12), 0xFF);
             return file;
         }(), AnimationProblem::bad_frame_data, 0},
        {"a canvas of more bytes than an image may have", with_canvas(whole, 2000, 2000),
         AnimationProblem::screen_too_large, 2000u * 2000 * 4},
        {"a canvas wider than a side may be", with_canvas(whole, 40000, 32), AnimationProblem::screen_too_large,
         40000u * 32 * 4},
        // 40 frames on a canvas of 1023 x 511 pixels: the 30th passes the bound.
        {"more frames than a QFB file could hold", qfbtest::read_file(ANIMATION_CORPUS "/webp/many-frames.webp"),
         AnimationProblem::too_many_frames, 30},
    };
    expect_refusals(read_webp, whole, std::move(cases));
}

}  // namespace
