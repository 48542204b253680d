// Drawing the contact sheet (see sheet.h).
#include "preview/sheet.h"

#include <cstring>
#include <new>

namespace {

uint8_t checker(int64_t x, int64_t y)
{
    return ((x / SHEET_CHECKER_SQUARE + y / SHEET_CHECKER_SQUARE) % 2) == 0 ? SHEET_CHECKER_LIGHT : SHEET_CHECKER_DARK;
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

bool render_sheet(const qfb_file& file, const SheetLayout& layout, const LevelRowSource& source,
                  std::vector<uint8_t>& rgb)
{
    const int64_t stride = layout.width * 3;
    try {
        rgb.assign(static_cast<size_t>(layout.pixels()) * 3, SHEET_GROUND);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int32_t format = file.header.format;
    // One row of words and its expansion: at most QFB_MAX_SIDE pixels.
    std::vector<uint8_t> words(static_cast<size_t>(file.header.width) * 2), rgba(static_cast<size_t>(file.header.width) * 4);
    qfb_level level;
    for (int more = qfb_first_level(&file, &level); more; more = qfb_next_level(&file, &level)) {
        if (level.width == 0) continue;  // nothing to read or draw (an empty level has no rows to skip)
        const int64_t x = layout.x_of(level.frame, level.level), y = layout.y_of(level.frame, level.level);
        for (int32_t row = 0; row < level.height; ++row) {
            if (!source(level, row, words.data())) return false;
            qfb_expand_words(words.data(), static_cast<size_t>(level.width), format, QFB_ORDER_RGBA, rgba.data());
            const int64_t top = int64_t{row} * layout.scale;
            draw_row(rgba.data(), level.width, layout.scale, top, stride, &rgb[static_cast<size_t>((y + top) * stride + x * 3)]);
        }
    }
    return true;
}
