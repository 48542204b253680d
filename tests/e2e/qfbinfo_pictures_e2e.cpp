// End to end on the real qfbinfo binary: the contact sheet decoded with libspng and the animation
// decoded with libwebp's demuxer, compared pixel by pixel with the format library's expansion at
// the places worked out by hand, for each pixel format; the KTX2 texture read back by the KTX2
// library into the file's words in both choices of formats; the refusals of a picture beyond a
// limit, of empty frames as a texture, of a taken name or one that cannot be written; and the
// committed sheet of the example set, still what the command makes.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <spng.h>
#include <webp/demux.h>

#include <qfb/qfb.h>

#include "ktx2.h"
#include "tests/support/test_support.h"

using qfbtest::Bytes;
using qfbtest::RunResult;
using qfbtest::run_qfbinfo;
using qfbtest::TempDir;

namespace {

// A QFB file of the given fields whose pixel words vary with their place and frame.
Bytes qfb(int32_t w, int32_t h, int32_t format, int32_t fps, int32_t frames, int32_t mipmaps, bool pattern = true)
{
    qfb_header header{w, h, format, fps, frames, mipmaps};
    qfb_file layout;
    EXPECT_EQ(qfb_layout(&header, &layout), QFB_OK);
    Bytes out(layout.size);
    qfb_encode_header(&header, out.data());
    for (size_t i = QFB_HEADER_SIZE; pattern && i < out.size(); ++i) out[i] = static_cast<uint8_t>(i * 151 + i / 7);
    return out;
}

struct Image {
    uint32_t width = 0, height = 0;
    Bytes pixels;  // RGB (the sheet) or RGBA (an animation frame), rows top first
    int duration = 0;
};

Image decode_png(const Bytes& png)
{
    Image image;
    spng_ctx* ctx = spng_ctx_new(0);
    spng_ihdr ihdr{};
    size_t size = 0;
    if (spng_set_png_buffer(ctx, png.data(), png.size()) == 0 && spng_get_ihdr(ctx, &ihdr) == 0 &&
        spng_decoded_image_size(ctx, SPNG_FMT_RGB8, &size) == 0) {
        image.pixels.resize(size);
        if (spng_decode_image(ctx, image.pixels.data(), size, SPNG_FMT_RGB8, 0) == 0) {
            image.width = ihdr.width;
            image.height = ihdr.height;
        }
    }
    spng_ctx_free(ctx);
    EXPECT_EQ(ihdr.color_type, SPNG_COLOR_TYPE_TRUECOLOR);
    return image;
}

// Every frame of the animation as its whole canvas; loop_count comes back in loops.
std::vector<Image> decode_webp(const Bytes& webp, uint32_t* loops)
{
    std::vector<Image> frames;
    const WebPData data = {webp.data(), webp.size()};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    WebPAnimInfo info{};
    if (decoder == nullptr || !WebPAnimDecoderGetInfo(decoder, &info)) {
        ADD_FAILURE() << "not an animated WebP file";
        WebPAnimDecoderDelete(decoder);
        return frames;
    }
    *loops = info.loop_count;
    int previous = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder)) {
        uint8_t* canvas = nullptr;
        int end = 0;  // the time the frame ends
        if (!WebPAnimDecoderGetNext(decoder, &canvas, &end)) break;
        Image frame{info.canvas_width, info.canvas_height,
                    Bytes(canvas, canvas + size_t{info.canvas_width} * info.canvas_height * 4), end - previous};
        frames.push_back(frame);
        previous = end;
    }
    EXPECT_EQ(frames.size(), info.frame_count);
    WebPAnimDecoderDelete(decoder);
    return frames;
}

uint8_t over(uint8_t value, uint8_t ground, uint8_t alpha)
{
    return static_cast<uint8_t>((value * alpha + ground * (255 - alpha) + 127) / 255);
}

// Where a level's top left pixel stands on the sheet.
struct Place {
    int32_t frame, level;
    int64_t x, y;
};

// Each sheet pixel of each level pixel: the expansion where opaque, over one of the
// checkerboard's greys (255 and 204) where not.
void expect_sheet_shows(const Image& sheet, const qfb_file& file, int64_t scale, const std::vector<Place>& places)
{
    size_t mismatches = 0;
    for (const Place& place : places) {
        qfb_level level;
        ASSERT_EQ(qfb_get_level(&file, place.frame, place.level, &level), QFB_OK);
        for (int32_t y = 0; y < level.height; ++y) {
            Bytes rgba(static_cast<size_t>(level.width) * 4);
            qfb_expand_words(qfb_level_row(&level, y), static_cast<size_t>(level.width), file.header.format, QFB_ORDER_RGBA,
                             rgba.data());
            for (int64_t i = 0; i < int64_t{level.width} * scale * scale; ++i) {
                const int64_t x = i % (int64_t{level.width} * scale), dy = i / (int64_t{level.width} * scale);
                const uint8_t* e = &rgba[static_cast<size_t>(x / scale) * 4];
                const int64_t sx = place.x + x, sy = place.y + int64_t{y} * scale + dy;
                const uint8_t* got = &sheet.pixels[static_cast<size_t>((sy * sheet.width + sx) * 3)];
                bool same = false;
                for (uint8_t ground : {255, 204}) {
                    if (e[3] == 255) ground = 0;
                    same = same || (got[0] == over(e[0], ground, e[3]) && got[1] == over(e[1], ground, e[3]) &&
                                    got[2] == over(e[2], ground, e[3]));
                }
                mismatches += same ? 0 : 1;
            }
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

TEST(QfbinfoPictures, SheetAndAnimationShowTheExpansionForEveryFormat)
{
    // Cells stand 8 pixels apart and from the edges; a frame's mipmaps stand 4 pixels right of its
    // full-size level, one under the other; small frames are scaled up to about 256 pixels.
    struct Case {
        const char* what;
        Bytes file;
        int64_t sheet_width, sheet_height;
        int32_t scale;
        std::vector<Place> places;
        int duration;  // ms a frame
    } const cases[] = {
        // 24 x 16 full size, its 1 x 1 mipmap at 8 x 8 beside it: cells of 36 x 16, one column.
        {"1555, 2 frames of 3 x 2 with a mipmap", qfb(3, 2, QFB_FORMAT_1555, 10, 2, 1), 52, 56, 8,
         {{0, 0, 8, 8}, {0, 1, 36, 8}, {1, 0, 8, 32}, {1, 1, 36, 32}}, 100},
        {"4444, 3 frames of 2 x 2 in two columns", qfb(2, 2, QFB_FORMAT_4444, 24, 3, 0), 56, 56, 8,
         {{0, 0, 8, 8}, {1, 0, 32, 8}, {2, 0, 8, 32}}, 42},
        {"565, 2 frames of 4 x 1 with empty mipmaps", qfb(4, 1, QFB_FORMAT_565, 7, 2, 2), 48, 40, 8,
         {{0, 0, 8, 8}, {1, 0, 8, 24}}, 143},
        {"4444, 2 frames of 300 x 40, not scaled", qfb(300, 40, QFB_FORMAT_4444, 1000, 2, 1), 470, 104, 1,
         {{0, 0, 8, 8}, {0, 1, 312, 8}, {1, 0, 8, 56}, {1, 1, 312, 56}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        qfbtest::write_file(dir.file("t.qfb"), c.file);
        qfb_file file;
        ASSERT_EQ(qfb_parse(c.file.data(), c.file.size(), &file), QFB_OK);
        const qfb_header& h = file.header;

        const RunResult sheet_run = run_qfbinfo({"t.qfb", "--sheet", "t.png"}, dir.path());
        EXPECT_EQ(sheet_run.status, 0) << sheet_run.output;
        const Image sheet = decode_png(qfbtest::read_file(dir.file("t.png")));
        EXPECT_EQ(sheet.width, c.sheet_width);
        EXPECT_EQ(sheet.height, c.sheet_height);
        ASSERT_EQ(sheet.pixels.size(), size_t{sheet.width} * sheet.height * 3);
        EXPECT_EQ(Bytes(sheet.pixels.begin(), sheet.pixels.begin() + 3), Bytes(3, 96)) << "the grey ground";
        expect_sheet_shows(sheet, file, c.scale, c.places);

        const RunResult animation_run = run_qfbinfo({"t.qfb", "--animation", "t.webp"}, dir.path());
        EXPECT_EQ(animation_run.status, 0) << animation_run.output;
        uint32_t loops = 1;
        const std::vector<Image> frames = decode_webp(qfbtest::read_file(dir.file("t.webp")), &loops);
        EXPECT_EQ(loops, 0u);  // forever
        ASSERT_EQ(frames.size(), static_cast<size_t>(h.frame_count));
        for (int32_t f = 0; f < h.frame_count; ++f) {
            qfb_level level;
            ASSERT_EQ(qfb_get_level(&file, f, 0, &level), QFB_OK);
            Bytes expected(static_cast<size_t>(level.width) * static_cast<size_t>(level.height) * 4);
            ASSERT_EQ(qfb_expand_level(&file, &level, QFB_ORDER_RGBA, expected.data(), expected.size()), QFB_OK);
            EXPECT_EQ(frames[static_cast<size_t>(f)].width, static_cast<uint32_t>(h.width));
            EXPECT_EQ(frames[static_cast<size_t>(f)].height, static_cast<uint32_t>(h.height));
            EXPECT_TRUE(frames[static_cast<size_t>(f)].pixels == expected) << "frame " << f;
            EXPECT_EQ(frames[static_cast<size_t>(f)].duration, c.duration);
        }
    }
}

TEST(QfbinfoPictures, TheKtx2TextureReadsBackToTheFilesWords)
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
        // Packed again from the texture, at its own rate where it has one: the same words.
        const char* format = texture.frames.format == QFB_FORMAT_565    ? "565"
                             : texture.frames.format == QFB_FORMAT_4444 ? "4444"
                                                                         : "1555";
        const RunResult pack = qfbtest::run_qfbprep({"pack", format, c.fps == 0 ? "60" : "auto", "back.qfb", "t.ktx2"}, dir.path());
        EXPECT_EQ(pack.status, 0) << pack.output;
        const Bytes back = qfbtest::read_file(dir.file("back.qfb"));
        ASSERT_GE(back.size(), size_t{QFB_HEADER_SIZE});
        // The header up to the level count (an empty level is no level of the texture's).
        EXPECT_EQ(Bytes(back.begin(), back.begin() + 28), Bytes(c.file.begin(), c.file.begin() + 28));
        EXPECT_EQ(Bytes(back.begin() + QFB_HEADER_SIZE, back.end()), texture.frames.words);
    }
}

// Refused with one line (after the announcement, for a file that cannot be written) and status 1,
// leaving the folder as it was.
TEST(QfbinfoPictures, RefusesPicturesBeyondTheLimitsAndTakenNames)
{
    struct Case {
        const char* what;
        Bytes file;
        std::vector<std::string> args;
        std::string message;
    } const cases[] = {
        {"a sheet of 300000 frames", qfb(1, 1, QFB_FORMAT_565, 1, 300000, 0, false), {"--sheet", "t.png"},
         "The sheet would be 8776 x 8776 pixels, more than the 67108864 a sheet may have.\n"},
        {"a frame wider than WebP allows", qfb(16384, 1, QFB_FORMAT_565, 1, 1, 0, false), {"--animation", "t.webp"},
         "Frames of 16384 x 1 can't be animated: WebP takes 1 to 16383 pixels on a side.\n"},
        {"empty frames", qfb(0, 5, QFB_FORMAT_565, 1, 2, 0, false), {"--animation", "t.webp"},
         "Frames of 0 x 5 can't be animated: WebP takes 1 to 16383 pixels on a side.\n"},
        {"10001 frames", qfb(1, 1, QFB_FORMAT_565, 1, 10001, 0, false), {"--animation", "t.webp"},
         "10001 frames are more than the 10000 an animation may have.\n"},
        {"a taken sheet name", qfb(1, 1, QFB_FORMAT_565, 1, 1, 0), {"--sheet", "taken"},
         "File already exists: taken (--force replaces it).\n"},
        {"a taken animation name", qfb(1, 1, QFB_FORMAT_565, 1, 1, 0), {"--animation", "taken"},
         "File already exists: taken (--force replaces it).\n"},
        {"empty frames as a texture", qfb(0, 5, QFB_FORMAT_565, 1, 2, 0, false), {"--ktx2", "t.ktx2"},
         "Frames of 0 x 5 can't be written as KTX2: a KTX2 texture has at least 1 pixel on a side.\n"},
        {"a taken texture name", qfb(1, 1, QFB_FORMAT_565, 1, 1, 0), {"--ktx2", "taken"},
         "File already exists: taken (--force replaces it).\n"},
        {"a texture in a missing folder", qfb(1, 1, QFB_FORMAT_565, 1, 1, 0), {"--ktx2", "none/t.ktx2"},
         "none/t.ktx2:  Creating a KTX2 texture of 1 frame of 1 x 1 with 1 level in VK_FORMAT_R5G6B5_UNORM_PACK16.\n"
         "Couldn't write KTX2 file none/t.ktx2: the file could not be created (No such file or directory).\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        qfbtest::write_file(dir.file("t.qfb"), c.file);
        qfbtest::write_file(dir.file("taken"), {'m', 'i', 'n', 'e'});
        const auto before = qfbtest::snapshot(dir.path());
        std::vector<std::string> args = {"t.qfb"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult run = run_qfbinfo(args, dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, c.message);
        EXPECT_EQ(qfbtest::snapshot(dir.path()), before);
        if (c.args[1] != "taken") continue;
        args.push_back("--force");  // replaces it
        EXPECT_EQ(run_qfbinfo(args, dir.path()).status, 0);
        EXPECT_NE(qfbtest::read_file(dir.file("taken")), (Bytes{'m', 'i', 'n', 'e'}));
    }
}

// README shows docs/walk-sheet.png: the sheet of the Quick start's examples/walk.qfb.
TEST(QfbinfoPictures, CommittedExampleSheetIsWhatTheCommandMakes)
{
    TempDir dir;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(QFB_SOURCE_DIR) + "/examples"))
        if (entry.path().filename().string().rfind("walk-", 0) == 0)
            std::filesystem::copy_file(entry.path(), dir.file(entry.path().filename().string()));
    ASSERT_EQ(qfbtest::run_makeqfb({"4444", "12", "walk.tga"}, dir.path()).status, 0);
    const RunResult run = run_qfbinfo({"walk.qfb", "--sheet", "walk-sheet.png"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(qfbtest::read_file(dir.file("walk-sheet.png")) ==
                qfbtest::read_file(std::string(QFB_SOURCE_DIR) + "/docs/walk-sheet.png"))
        << "regenerate it: qfbinfo examples/walk.qfb --sheet docs/walk-sheet.png --force";
}

}  // namespace
