// The contact sheet's layout (see pictures.h).
#include "pictures.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>


namespace {

// Sheet width or height of n cells of the given size in a line.
int64_t span(int64_t cells, int64_t cell) { return cells * cell + (cells + 1) * SHEET_GAP; }

}  // namespace

int64_t SheetLayout::x_of(int32_t frame, int32_t level) const
{
    return SHEET_GAP + (frame % columns) * (cell_width + SHEET_GAP) + level_x[static_cast<size_t>(level)];
}

int64_t SheetLayout::y_of(int32_t frame, int32_t level) const
{
    return SHEET_GAP + (frame / columns) * (cell_height + SHEET_GAP) + level_y[static_cast<size_t>(level)];
}

SheetLayout lay_out_sheet(const qfb_file& file)
{
    const qfb_header& h = file.header;
    SheetLayout sheet;
    const int32_t side = std::max(h.width, h.height);
    sheet.scale = side == 0 ? SHEET_MAX_SCALE : std::clamp(SHEET_TARGET_SIDE / side, 1, SHEET_MAX_SCALE);
    const int64_t s = sheet.scale;

    // The cell: level 0, then the column of reduced levels beside it.
    const int64_t column_x = h.width * s + SHEET_LEVEL_GAP;
    int64_t column_width = 0, column_height = 0;
    sheet.level_x.push_back(0);
    sheet.level_y.push_back(0);
    for (int32_t l = 1; l <= h.mipmap_count; ++l) {
        qfb_level level;
        qfb_get_level(&file, 0, l, &level);
        sheet.level_x.push_back(column_x);
        sheet.level_y.push_back(column_height);
        if (level.width == 0 || level.height == 0) continue;
        column_width = std::max(column_width, level.width * s);
        column_height += level.height * s + SHEET_LEVEL_GAP;
    }
    sheet.cell_width = h.width * s + (column_width > 0 ? SHEET_LEVEL_GAP + column_width : 0);
    sheet.cell_height = std::max<int64_t>(h.height * s, column_height > 0 ? column_height - SHEET_LEVEL_GAP : 0);

    // The number of columns whose sheet is closest to square (the fewest on a tie).
    const int64_t frames = h.frame_count;
    double best = 0;
    for (int64_t c = 1; c <= frames; ++c) {
        const int64_t r = (frames + c - 1) / c;
        const double w = static_cast<double>(span(c, sheet.cell_width));
        const double hh = static_cast<double>(span(r, sheet.cell_height));
        const double off_square = std::max(w / hh, hh / w);
        if (c == 1 || off_square < best) {
            best = off_square;
            sheet.columns = c;
        }
        if (w > hh) break;  // wider still only moves further from square
    }
    sheet.rows = (frames + sheet.columns - 1) / sheet.columns;
    sheet.width = span(sheet.columns, sheet.cell_width);
    sheet.height = span(sheet.rows, sheet.cell_height);
    return sheet;
}

PictureLimit sheet_limit(const SheetLayout& layout)
{
    return layout.pixels() <= SHEET_MAX_PIXELS ? PictureLimit::none : PictureLimit::sheet_pixels;
}
