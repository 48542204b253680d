// End to end: qfbprep pack on frames as artists hand them over. Animated GIF and WebP files made by
// Pillow, gifsicle, img2webp and webpmux pack as Pillow's composited frames saved as PNG files;
// sprite sheets as their cells saved one by one, several in natural order; Aseprite sprites as their frames in each tag's
// order, fps auto taken from their durations. How each reader composites is its unit test's.
#include <gtest/gtest.h>

#include <qfb/qfb.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/aseprite_writer.h"
#include "tests/support/test_support.h"

namespace {

using qfbtest::Bytes;
using qfbtest::RunResult;
using qfbtest::TempDir;

// The header and the full-size words of each frame of a QFB file. A 4444 word of alpha 0 reads
// as 0: the colour under a GIF's transparent index is Pillow's colour table entry, the packed
// file's 0, and neither shows.
struct Packed {
    qfb_header header{};
    std::vector<std::vector<uint16_t>> frames;
};

Packed packed_file(const std::string& path)
{
    const Bytes bytes = qfbtest::read_file(path);
    Packed packed;
    qfb_file file;
    if (qfb_parse(bytes.data(), bytes.size(), &file) != QFB_OK) return packed;
    packed.header = file.header;
    for (int32_t f = 0; f < file.header.frame_count; ++f) {
        qfb_level level;
        qfb_get_level(&file, f, 0, &level);
        std::vector<uint16_t> words(level.size / 2);
        for (size_t i = 0; i < words.size(); ++i) {
            words[i] = static_cast<uint16_t>(level.pixels[2 * i] | level.pixels[2 * i + 1] << 8);
            if (file.header.format == QFB_FORMAT_4444 && words[i] >> 12 == 0) words[i] = 0;
        }
        packed.frames.push_back(words);
    }
    return packed;
}

void expect_same(const Packed& ours, const Packed& reference)
{
    EXPECT_EQ(ours.header.width, reference.header.width);
    EXPECT_EQ(ours.header.height, reference.header.height);
    EXPECT_EQ(ours.header.format, reference.header.format);
    ASSERT_EQ(ours.frames.size(), reference.frames.size());
    for (size_t f = 0; f < ours.frames.size(); ++f) EXPECT_EQ(ours.frames[f], reference.frames[f]) << "frame " << f;
}

TEST(QfbprepForms, AnimationsPackAsPillowsFramesSavedAsPng)
{
    TempDir dir;
    const RunResult made =
        qfbtest::run_program(PYTHON3, {ANIMATION_SAMPLES_SCRIPT, dir.path(), GIFSICLE, IMG2WEBP, WEBPMUX, "--png"});
    ASSERT_EQ(made.status, 0) << made.output;
    const std::vector<qfbtest::AnimationSample> samples = qfbtest::read_animation_manifest(dir.file("manifest.txt"));
    for (const qfbtest::AnimationSample& sample : samples) {
        const std::string& name = sample.name;
        SCOPED_TRACE(name);
        std::vector<std::string> pngs = {"pack", "4444", "10", "reference.qfb", "--as-given"};
        for (size_t i = 0; i < sample.frames; ++i) pngs.push_back(name + "-" + std::to_string(i) + ".png");
        const RunResult ours = qfbtest::run_qfbprep({"pack", "4444", "10", "ours.qfb", name}, dir.path());
        ASSERT_EQ(ours.status, 0) << ours.output;
        ASSERT_EQ(qfbtest::run_qfbprep(pngs, dir.path()).status, 0);
        expect_same(packed_file(dir.file("ours.qfb")), packed_file(dir.file("reference.qfb")));
    }
    EXPECT_GE(samples.size(), 20u);
}

TEST(QfbprepForms, SheetsPackAsTheirCellsSavedAlone)
{
    TempDir dir;
    const RunResult made = qfbtest::run_program(PYTHON3, {ANIMATION_SAMPLES_SCRIPT, "--sheets", dir.path()});
    ASSERT_EQ(made.status, 0) << made.output;
    qfbtest::write_file(dir.file("b-10.png"), qfbtest::read_file(dir.file("sheet.png")));
    qfbtest::write_file(dir.file("b-2.png"), qfbtest::read_file(dir.file("sheet.png")));
    auto cells = [](const char* kind, int count) {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) names.push_back("cell-" + std::to_string(i) + "." + kind);
        return names;
    };
    const std::vector<std::string> once = cells("png", 12);
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    struct Row {
        const char* what;
        std::vector<std::string> sheet;  // the frames and options given to pack
        std::vector<std::string> cells;  // the same frames, one file each
    } rows[] = {
        {"a grid with its last row partly taken", {"sheet.png", "--grid", "4x3", "--cells", "10"}, cells("png", 10)},
        {"cells of a size", {"sheet.png", "--cell", "16x12"}, cells("png", 12)},
        {"a 24-bit Targa sheet, one file as a sheet rather than a set", {"sheet.tga", "--grid", "3x2"}, cells("tga", 6)},
        {"two sheets in natural order", {"b-10.png", "b-2.png", "--grid", "4x3"}, twice},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> sheet = {"pack", "4444", "8", "sheet.qfb"}, alone = {"pack", "4444", "8", "cells.qfb", "--as-given"};
        sheet.insert(sheet.end(), row.sheet.begin(), row.sheet.end());
        alone.insert(alone.end(), row.cells.begin(), row.cells.end());
        const RunResult cut = qfbtest::run_qfbprep(sheet, dir.path());
        ASSERT_EQ(cut.status, 0) << cut.output;
        ASSERT_EQ(qfbtest::run_qfbprep(alone, dir.path()).status, 0);
        EXPECT_EQ(qfbtest::read_file(dir.file("sheet.qfb")), qfbtest::read_file(dir.file("cells.qfb")));
    }
}

// A sprite of 2 x 1 pixels whose frame i is opaque red 16 * (i + 1), so that its 4444 words say
// which frame they are; with the tags and a layer's blend mode.
Bytes numbered_sprite(const std::vector<uint16_t>& durations, const std::vector<qfbtest::AseTag>& tags,
                      uint16_t blend_mode = 0)
{
    std::vector<qfbtest::AseFrame> frames;
    for (size_t i = 0; i < durations.size(); ++i) {
        qfbtest::AseFrame frame{durations[i], {}};
        if (i == 0) {
            frame.chunks.push_back(qfbtest::ase_layer(qfbtest::AseLayer{"body", 1, 0, 0, blend_mode, 255}));
            if (!tags.empty()) frame.chunks.push_back(qfbtest::ase_tags(tags));
        }
        const uint8_t red = static_cast<uint8_t>(16 * (i + 1));
        frame.chunks.push_back(qfbtest::ase_image_cel(0, 2, 1, {red, 0, 0, 255, red, 0, 0, 255}));
        frames.push_back(frame);
    }
    return qfbtest::ase_sprite(2, 1, 32, frames);
}

TEST(QfbprepForms, AsepriteSpritesPackTheirFramesInTheTagsOrder)
{
    const std::vector<qfbtest::AseTag> tags = {
        {1, 3, 0, "walk"}, {1, 3, 1, "back"}, {0, 3, 2, "swing"}, {0, 3, 3, "sway"}};
    const Bytes even = numbered_sprite({50, 50, 50, 50}, tags);
    struct Row {
        const char* what;
        Bytes sprite;
        std::vector<std::string> args;  // after the output
        int status;
        std::vector<int> order;  // the frames packed, from 0
        int fps;
        const char* said;
    } rows[] = {
        {"every frame by default, fps auto from 50 ms", even, {"auto", "s.aseprite"}, 0, {0, 1, 2, 3}, 20, "4 frames of 2 x 1"},
        {"a forward tag", even, {"auto", "s.aseprite", "--tag", "walk"}, 0, {1, 2, 3}, 20, ""},
        {"a reverse tag", even, {"auto", "s.aseprite", "--tag", "back"}, 0, {3, 2, 1}, 20, ""},
        {"a ping-pong tag", even, {"auto", "s.aseprite", "--tag", "swing"}, 0, {0, 1, 2, 3, 2, 1}, 20, ""},
        {"a ping-pong reverse tag", even, {"auto", "s.aseprite", "--tag", "sway"}, 0, {3, 2, 1, 0, 1, 2}, 20, ""},
        {"a sprite named twice gives its frames twice", even, {"auto", "s.aseprite", "s.aseprite", "--as-given"}, 0,
         {0, 1, 2, 3, 0, 1, 2, 3}, 20, ""},
        {"a given fps other than the durations' is a note", even, {"12", "s.aseprite"}, 0, {0, 1, 2, 3}, 12,
         "Note: the frames' durations of 50 ms play at 20 fps; packed at 12 fps as given.\n"},
        {"a sheet and a sprite's tag in one command, in natural order", even,
         {"10", "s.aseprite", "a.tga", "--grid", "2x1", "--tag", "walk"}, 0, {4, 5, 1, 2, 3}, 10, "5 frames of 2 x 1"},
        {"fps auto of unequal durations", numbered_sprite({50, 100, 50}, {}), {"auto", "s.aseprite"}, 1, {}, 0,
         "The frames' durations differ (50 and 100 ms): fps auto needs them equal; give fps as a number, such as 15, "
         "which keeps the animation's length.\n"},
        {"a tag the sprite does not have", even, {"auto", "s.aseprite", "--tag", "jump"}, 1, {}, 0,
         "Couldn't read Aseprite file s.aseprite: no tag is named 'jump' (the tags: 'walk', 'back', 'swing', 'sway').\n"},
        {"a blend mode it does not draw", numbered_sprite({50}, {}, 2), {"auto", "s.aseprite"}, 1, {}, 0,
         "Couldn't read Aseprite file s.aseprite: layer 'body' uses the 'screen' blend mode, which is not supported.\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        qfbtest::write_file(dir.file("s.aseprite"), row.sprite);
        // A sheet of two cells of 2 x 1, red as frames 4 and 5 of a sprite.
        const Bytes sheet = {0, 0, 0x50, 255, 0, 0, 0x50, 255, 0, 0, 0x60, 255, 0, 0, 0x60, 255};
        qfbtest::write_file(dir.file("a.tga"), qfbtest::raw_image(4, 1, 32, sheet).to_bytes());
        std::vector<std::string> args = {"pack", "4444"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.insert(args.begin() + 3, "s.qfb");
        const RunResult run = qfbtest::run_qfbprep(args, dir.path());
        EXPECT_EQ(run.status, row.status);
        EXPECT_NE(run.output.find(row.said), std::string::npos) << run.output;
        if (row.status != 0) {
            EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
            EXPECT_FALSE(qfbtest::exists(dir.file("s.qfb")));
            continue;
        }
        const Packed packed = packed_file(dir.file("s.qfb"));
        EXPECT_EQ(packed.header.fps, row.fps);
        std::vector<int> order;
        for (const std::vector<uint16_t>& words : packed.frames) order.push_back((words.at(0) >> 8 & 0xF) - 1);
        EXPECT_EQ(order, row.order);
    }
}

}  // namespace
