// Where everything goes on a contact sheet. Each frame is a cell: its full-size level at the
// cell's top left and its mipmap levels in a column to the right of it, top-aligned, one under
// the other (empty levels take no room). Cells stand in file order, left to right and top to
// bottom, in the number of columns that makes the sheet closest to square, SHEET_GAP pixels apart
// and from the edges. Small sets are scaled up by a whole factor so that the full-size level is
// about SHEET_TARGET_SIDE pixels on its longer side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <qfb/qfb.h>

constexpr int32_t SHEET_GAP = 8;           // between cells and around the edge, in sheet pixels
constexpr int32_t SHEET_LEVEL_GAP = 4;     // between the levels of one frame
constexpr int32_t SHEET_TARGET_SIDE = 256; // a full-size level is scaled up until its longer side nears this
constexpr int32_t SHEET_MAX_SCALE = 8;     // and never more than 8 times
// Sheet pixels: viewers hold a picture whole, and 192 MiB of RGB is as much as they open readily.
constexpr uint64_t SHEET_MAX_PIXELS = uint64_t{1} << 26;

struct SheetLayout {
    int32_t scale = 1;    // each level pixel is scale x scale sheet pixels
    int64_t columns = 1;  // cells in a row
    int64_t rows = 1;     // rows of cells
    int64_t cell_width = 0, cell_height = 0;
    int64_t width = 0, height = 0;  // of the whole sheet
    std::vector<int64_t> level_x, level_y;  // of each level (0 = full size) inside its cell

    uint64_t pixels() const { return static_cast<uint64_t>(width) * static_cast<uint64_t>(height); }
    // Top-left sheet pixel of a level of a frame (both from 0).
    int64_t x_of(int32_t frame, int32_t level) const;
    int64_t y_of(int32_t frame, int32_t level) const;
};

// The layout of the sheet of a checked file (or layout). Sizes are 64-bit and never overflow for
// any file the library accepts; the caller compares pixels() with its limit.
SheetLayout lay_out_sheet(const qfb_file& file);

// The one line that refuses a sheet of this layout, or "" when it is within SHEET_MAX_PIXELS.
std::string sheet_refusal(const SheetLayout& layout);
