// Drawing the contact sheet and writing it as a PNG file row by row (see pictures.h).
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "pictures.h"
#include "png_rows.h"

namespace {

constexpr uint8_t GROUND = 96;          // grey of the gaps and the edge
constexpr uint8_t CHECKER_LIGHT = 255;  // the checkerboard's two greys
constexpr uint8_t CHECKER_DARK = 204;
constexpr int32_t CHECKER_SQUARE = 8;   // side of a square in sheet pixels, from each level's top left

uint8_t checker(int64_t x, int64_t y)
{
    return ((x / CHECKER_SQUARE + y / CHECKER_SQUARE) % 2) == 0 ? CHECKER_LIGHT : CHECKER_DARK;
}

// value over ground at alpha, rounded to nearest.
uint8_t over(uint8_t value, uint8_t ground, uint8_t alpha)
{
    return static_cast<uint8_t>((value * alpha + ground * (255 - alpha) + 127) / 255);
}

// Draws one expanded row (RGBA) of a level as `scale` sheet rows starting at out, the sheet
// row at the level's own row `level_y` (from the level's top), for the checkerboard's phase.
void draw_row(const uint8_t* rgba, int32_t width, int32_t scale, int64_t level_y, int64_t stride, uint8_t* out)
{
    for (int32_t dy = 0; dy < scale; ++dy, out += stride) {
        const int64_t y = level_y + dy;
        uint8_t* at = out;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = rgba + 4 * x;
            for (int32_t dx = 0; dx < scale; ++dx, at += 3) {
                if (p[3] == 255) {
                    std::memcpy(at, p, 3);
                } else {
                    const uint8_t ground = checker(int64_t{x} * scale + dx, y);
                    for (int c = 0; c < 3; ++c) at[c] = over(p[c], ground, p[3]);
                }
            }
        }
    }
}

}  // namespace

WriteStatus write_sheet_png(const char* name, const qfb_file& file, const SheetLayout& layout,
                              const LevelRowSource& source)
{
    const size_t stride = static_cast<size_t>(layout.width) * 3;
    std::vector<uint8_t> band, words, rgba;  // one row of cells; one level row and its expansion
    try {
        band.resize(stride * static_cast<size_t>(layout.cell_height));
        words.resize(static_cast<size_t>(file.header.width) * 2);
        rgba.resize(static_cast<size_t>(file.header.width) * 4);
    } catch (const std::bad_alloc&) {
        return WriteStatus::encoder_failed;
    }
    const std::vector<uint8_t> ground(stride, GROUND);
    PngRows png(name, layout.width, layout.height);
    const auto gap = [&png, &ground]() {
        for (int32_t i = 0; i < SHEET_GAP; ++i) png.row(ground.data());
    };
    const auto flush = [&png, &band, &gap, stride, &layout]() {
        for (int64_t y = 0; y < layout.cell_height; ++y) png.row(&band[static_cast<size_t>(y) * stride]);
        gap();
    };
    gap();
    int64_t band_row = -1;  // the row of cells in the band
    qfb_level level;
    for (int more = qfb_first_level(&file, &level); more; more = qfb_next_level(&file, &level)) {
        if (level.frame / layout.columns != band_row) {
            if (band_row >= 0) flush();
            band_row = level.frame / layout.columns;
            std::fill(band.begin(), band.end(), GROUND);
        }
        if (level.width == 0) continue;  // nothing to read or draw (an empty level has no rows)
        const int64_t x = layout.x_of(level.frame, level.level);
        const int64_t y = layout.level_y[static_cast<size_t>(level.level)];  // the band starts at the cell's top
        for (int32_t row = 0; row < level.height; ++row) {
            if (!source(level, row, words.data())) return WriteStatus::source_failed;
            qfb_expand_words(words.data(), static_cast<size_t>(level.width), file.header.format, QFB_ORDER_RGBA, rgba.data());
            const int64_t top = int64_t{row} * layout.scale;
            draw_row(rgba.data(), level.width, layout.scale, top, static_cast<int64_t>(stride),
                     &band[static_cast<size_t>((y + top) * static_cast<int64_t>(stride) + x * 3)]);
        }
    }
    flush();
    return png.finish();
}
