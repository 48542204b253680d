// SDL2 under its dummy video driver: every word value of each format made into a surface by
// qfb_sdl.h, read back by SDL_GetRGBA and, after SDL's software renderer drew it, by
// SDL_RenderReadPixels, fields compared with the words (1555 put in as stored must show wrong
// everywhere); every frame and level of packed sets; the refusals; the frame clock at the ends of
// its ranges. (The install tests compile qfb_sdl.h as C99.)
#include <SDL.h>

#include "qfb/qfb_sdl.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/gpu/gpu_support.h"

namespace {

// Field widths of red, green, blue and alpha by format code (565 has no alpha: 255 expected).
constexpr int kBits[3][4] = {{5, 5, 5, 1}, {4, 4, 4, 4}, {5, 6, 5, 8}};

using Pixel = std::function<std::array<uint8_t, 4>(int x, int y)>;

// How many of the w x h words (stored layout) show other fields than theirs in pixel(x, y), a
// field of b bits compared as byte >> (8 - b); and the first that does.
struct Mismatches {
    size_t count = 0;
    std::string first;
};

Mismatches mismatches(int32_t format, const uint8_t* words, int w, int h, const Pixel& pixel)
{
    std::vector<uint8_t> expanded(static_cast<size_t>(w) * h * 4);
    qfb_expand_words(words, expanded.size() / 4, format, QFB_ORDER_RGBA, expanded.data());
    Mismatches found;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::array<uint8_t, 4> got = pixel(x, y);
            const uint8_t* want = &expanded[(static_cast<size_t>(y) * w + x) * 4];
            for (int c = 0; c < 4; ++c) {
                const int shift = 8 - kBits[format][c];
                if (got[c] >> shift == want[c] >> shift) continue;
                if (found.count++ == 0)
                    found.first = "first at (" + std::to_string(x) + ", " + std::to_string(y) + "): " + std::to_string(got[0]) +
                            " " + std::to_string(got[1]) + " " + std::to_string(got[2]) + " " +
                            std::to_string(got[3]);
                break;
            }
        }
    }
    return found;
}

// A 16-bit surface's pixels as SDL widens them.
Pixel surface_pixels(const SDL_Surface* surface)
{
    return [surface](int x, int y) {
        Uint16 value;
        std::memcpy(&value, static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch + 2 * x, 2);
        std::array<uint8_t, 4> rgba{};
        SDL_GetRGBA(value, surface->format, &rgba[0], &rgba[1], &rgba[2], &rgba[3]);
        return rgba;
    };
}

class SdlSurface : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }
};

struct EveryWordRow {
    int32_t format;
    Uint32 sdl_format;
    bool as_stored;  // the words put into the surface as they are, not through qfb_sdl.h
    size_t wrong;
};

TEST_F(SdlSurface, EveryWordThroughSurfaceAndSoftwareRenderer)
{
    const EveryWordRow rows[] = {
        {QFB_FORMAT_565, SDL_PIXELFORMAT_RGB565, false, 0},
        {QFB_FORMAT_4444, SDL_PIXELFORMAT_ARGB4444, false, 0},
        {QFB_FORMAT_1555, SDL_PIXELFORMAT_ARGB1555, false, 0},
        {QFB_FORMAT_1555, SDL_PIXELFORMAT_ARGB1555, true, 65536},
    };
    const std::vector<uint8_t> words = qfb_gpu::every_word();
    for (const EveryWordRow& row : rows) {
        SCOPED_TRACE(std::string(qfb_format_name(row.format)) + (row.as_stored ? " as stored" : ""));
        const std::vector<uint8_t> bytes = qfb_gpu::file_of_words(row.format, 256, 256, words);
        qfb_file file{};
        ASSERT_EQ(qfb_parse(bytes.data(), bytes.size(), &file), QFB_OK);
        SDL_Surface* surface = nullptr;
        if (row.as_stored) {
            surface = SDL_CreateRGBSurfaceWithFormat(0, 256, 256, 16, row.sdl_format);
            ASSERT_NE(surface, nullptr) << SDL_GetError();
            for (int y = 0; y < 256; ++y)
                std::memcpy(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch, &words[y * 512u], 512);
        } else {
            ASSERT_EQ(qfb_sdl_surface(&file, 0, 0, &surface), QFB_SDL_OK) << SDL_GetError();
        }
        EXPECT_EQ(surface->format->format, row.sdl_format);
        Mismatches found = mismatches(row.format, words.data(), 256, 256, surface_pixels(surface));
        EXPECT_EQ(found.count, row.wrong) << "SDL_GetRGBA, " << found.first;

        SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, 256, 256, 32, SDL_PIXELFORMAT_RGBA32);
        SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(target);
        ASSERT_NE(renderer, nullptr) << SDL_GetError();
        SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, surface);
        ASSERT_NE(texture, nullptr) << SDL_GetError();
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
        ASSERT_EQ(SDL_RenderCopy(renderer, texture, nullptr, nullptr), 0) << SDL_GetError();
        std::vector<uint8_t> drawn(256 * 256 * 4);
        ASSERT_EQ(SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGBA32, drawn.data(), 256 * 4), 0)
            << SDL_GetError();
        const Pixel read = [&drawn](int x, int y) {
            const uint8_t* p = &drawn[(y * 256u + x) * 4];
            return std::array<uint8_t, 4>{p[0], p[1], p[2], p[3]};
        };
        found = mismatches(row.format, words.data(), 256, 256, read);
        EXPECT_EQ(found.count, row.wrong) << "SDL_RenderReadPixels, " << found.first;
        SDL_DestroyTexture(texture);
        SDL_DestroyRenderer(renderer);
        SDL_FreeSurface(target);
        SDL_FreeSurface(surface);
    }
}

struct SetRow {
    int32_t format, width, height, frames, mipmaps;
    bool odd_address;  // the file's bytes start at an odd address
};

TEST_F(SdlSurface, EveryFrameAndLevelOfPackedSets)
{
    const SetRow rows[] = {
        {QFB_FORMAT_1555, 24, 16, 3, 5, false},  // down to 1 x 1, then an empty level
        {QFB_FORMAT_4444, 5, 3, 2, 1, true},     // rows of odd widths, which SDL pads
        {QFB_FORMAT_565, 7, 1, 1, 0, true},
    };
    for (const SetRow& row : rows) {
        SCOPED_TRACE(std::string(qfb_format_name(row.format)) + " " + std::to_string(row.width) + " x " +
                     std::to_string(row.height));
        const std::vector<uint8_t> packed =
            qfb_gpu::packed_file(row.format, row.width, row.height, row.frames, row.mipmaps);
        std::vector<uint8_t> held(packed.size() + 1);
        uint8_t* bytes = held.data() + (row.odd_address ? 1 : 0);
        std::memcpy(bytes, packed.data(), packed.size());
        qfb_file file{};
        ASSERT_EQ(qfb_parse(bytes, packed.size(), &file), QFB_OK);
        for (int32_t frame = 0; frame < row.frames; ++frame) {
            for (int32_t number = 0; number <= row.mipmaps; ++number) {
                qfb_level level{};
                ASSERT_EQ(qfb_get_level(&file, frame, number, &level), QFB_OK);
                SDL_Surface* surface = nullptr;
                const qfb_sdl_status status = qfb_sdl_surface(&file, frame, number, &surface);
                if (level.size == 0) {
                    EXPECT_EQ(status, QFB_SDL_EMPTY) << "frame " << frame << " level " << number;
                    EXPECT_EQ(surface, nullptr);
                    continue;
                }
                ASSERT_EQ(status, QFB_SDL_OK) << SDL_GetError();
                EXPECT_EQ(surface->w, level.width);
                EXPECT_EQ(surface->h, level.height);
                const Mismatches found =
                    mismatches(row.format, level.pixels, level.width, level.height, surface_pixels(surface));
                EXPECT_EQ(found.count, 0u) << "frame " << frame << " level " << number << ", " << found.first;
                SDL_FreeSurface(surface);
            }
        }
    }
}

TEST_F(SdlSurface, RefusalsSayWhyThroughSdlGetError)
{
    const std::vector<uint8_t> bytes = qfb_gpu::packed_file(QFB_FORMAT_4444, 8, 4, 2, 1);
    qfb_file parsed{}, checked{};
    ASSERT_EQ(qfb_parse(bytes.data(), bytes.size(), &parsed), QFB_OK);
    ASSERT_EQ(qfb_check(bytes.data(), QFB_HEADER_SIZE, bytes.size(), &checked), QFB_OK);
    const std::string out_of_range = std::string("libqfb: ") + qfb_status_text(QFB_OUT_OF_RANGE);
    const std::string bad_argument = std::string("libqfb: ") + qfb_status_text(QFB_BAD_ARGUMENT);
    struct {
        const char* what;
        const qfb_file* file;
        int frame, level;
        bool with_out;
        const std::string& error;
    } rows[] = {
        {"a frame past the last", &parsed, 2, 0, true, out_of_range},
        {"a negative frame", &parsed, -1, 0, true, out_of_range},
        {"a level past the last", &parsed, 0, 2, true, out_of_range},
        {"a file without its pixels (qfb_check)", &checked, 0, 0, true, bad_argument},
        {"no file", nullptr, 0, 0, true, bad_argument},
        {"no place for the surface", &parsed, 0, 0, false, bad_argument},
    };
    SDL_Surface sentinel{};
    for (const auto& row : rows) {
        SDL_Surface* made = &sentinel;  // must be set to NULL
        EXPECT_EQ(qfb_sdl_surface(row.file, row.frame, row.level, row.with_out ? &made : nullptr), QFB_SDL_REFUSED)
            << row.what;
        EXPECT_EQ(made, row.with_out ? nullptr : &sentinel) << row.what;
        EXPECT_EQ(SDL_GetError(), row.error) << row.what;
    }
}

TEST_F(SdlSurface, FrameClockLoopsAtTheFilesRate)
{
    const uint32_t most_ms = UINT32_MAX;
    struct {
        int32_t fps, frames;
        uint32_t ms;
        int frame;
    } rows[] = {
        {12, 3, 0, 0},          {12, 3, 83, 0},
        {12, 3, 84, 1},         {12, 3, 249, 2},
        {12, 3, 250, 0},        {1, 1, most_ms, 0},
        {1000, 10, most_ms, 5},  // ms x fps beyond 32 bits
        {INT32_MAX, 7, most_ms, 1},
        {60, 1000003, most_ms, 697266},
    };
    for (const auto& row : rows) {
        const qfb_header header{1, 1, QFB_FORMAT_565, row.fps, row.frames, 0};
        qfb_file layout{}, checked{};
        ASSERT_EQ(qfb_layout(&header, &layout), QFB_OK);
        uint8_t head[QFB_HEADER_SIZE];
        qfb_encode_header(&header, head);
        ASSERT_EQ(qfb_check(head, sizeof head, layout.size, &checked), QFB_OK);
        EXPECT_EQ(qfb_sdl_frame_at(&checked, row.ms), row.frame)
            << row.fps << " fps, " << row.frames << " frames, " << row.ms << " ms";
    }
    qfb_file refused{};
    EXPECT_NE(qfb_parse("not a QFB file", 14, &refused), QFB_OK);
    EXPECT_EQ(qfb_sdl_frame_at(&refused, 0), -1);
    EXPECT_EQ(qfb_sdl_frame_at(nullptr, 0), -1);
}

}  // namespace
