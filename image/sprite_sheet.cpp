// Cutting sprite sheets into frames, and reading the texts of their layouts (see sprite_sheet.h).
#include "sprite_sheet.h"

#include <cstring>
#include <utility>

#include <qfb/qfb.h>

#include "animation_limits.h"

static_assert(QFB_MAX_SIDE == 32767, "the phrase of too_large names the limit");

const char* sheet_problem_text(SheetProblem::Kind kind)
{
    switch (kind) {
    case SheetProblem::none: return "no problem";
    case SheetProblem::not_whole: return "the sheet is not a whole number of cells";
    case SheetProblem::no_cells: return "no cells are taken";
    case SheetProblem::too_many_cells: return "more cells are taken than the sheet holds";
    case SheetProblem::cell_too_large: return "a cell is larger than an image may be";
    }
    return "unknown problem";
}

SheetProblem sheet_cells(const Image& sheet, const SheetLayout& layout, SheetCells& cells)
{
    SheetProblem problem;
    problem.sheet_width = sheet.width;
    problem.sheet_height = sheet.height;
    problem.across = layout.across;
    problem.down = layout.down;
    const uint32_t width = static_cast<uint32_t>(sheet.width), height = static_cast<uint32_t>(sheet.height);
    // Columns divide the width as a cell's width does: either number must divide it.
    if (width == 0 || height == 0 || layout.across == 0 || layout.down == 0 || width % layout.across != 0 ||
        height % layout.down != 0) {
        problem.kind = SheetProblem::not_whole;
        return problem;
    }
    const bool by_grid = layout.form == SheetLayout::grid;
    const uint32_t columns = by_grid ? layout.across : width / layout.across;
    const uint32_t rows = by_grid ? layout.down : height / layout.down;
    const uint32_t cell_width = width / columns, cell_height = height / rows;
    const uint64_t held = uint64_t{columns} * rows;
    const uint64_t taken = layout.cells.value_or(held);
    const int32_t depth = sheet.bytes_per_pixel();
    if (taken == 0) {
        problem.kind = SheetProblem::no_cells;
    } else if (taken > held) {
        problem.kind = SheetProblem::too_many_cells;
        problem.value = held;
    } else if (!frame_fits(cell_width, cell_height, depth)) {
        problem.kind = SheetProblem::cell_too_large;
        problem.value = uint64_t{cell_width} * cell_height * depth;
    } else {
        cells = SheetCells{columns, cell_width, cell_height, taken};
    }
    return problem;
}

void cut_cell(const Image& sheet, const SheetCells& cells, uint64_t index, Image& cell)
{
    const int32_t depth = sheet.bytes_per_pixel();
    const size_t row_bytes = size_t{cells.cell_width} * depth;
    const uint32_t left = static_cast<uint32_t>(index % cells.columns) * cells.cell_width;
    const uint32_t top = static_cast<uint32_t>(index / cells.columns) * cells.cell_height;
    cell.width = static_cast<int32_t>(cells.cell_width);
    cell.height = static_cast<int32_t>(cells.cell_height);
    cell.bits_per_pixel = sheet.bits_per_pixel;
    cell.pixels.resize(row_bytes * cells.cell_height);
    for (uint32_t y = 0; y < cells.cell_height; ++y)
        std::memcpy(cell.row(static_cast<int32_t>(y)), sheet.row(static_cast<int32_t>(top + y)) + size_t{left} * depth,
                    row_bytes);
}

SheetProblem cut_sheet(const Image& sheet, const SheetLayout& layout, std::vector<Image>& frames)
{
    SheetCells cells;
    const SheetProblem problem = sheet_cells(sheet, layout, cells);
    for (uint64_t i = 0; problem.kind == SheetProblem::none && i < cells.taken; ++i) {
        Image cell;
        cut_cell(sheet, cells, i, cell);
        frames.push_back(std::move(cell));
    }
    return problem;
}

namespace {

// One side: the decimal digits of [from, to).
SizeTextProblem parse_side(const char* from, const char* to, uint32_t& side)
{
    if (from == to) return SizeTextProblem::not_a_number;
    uint64_t value = 0;
    for (const char* c = from; c != to; ++c) {
        if (*c < '0' || *c > '9') return SizeTextProblem::not_a_number;
        value = value * 10 + static_cast<uint64_t>(*c - '0');
        if (value > QFB_MAX_SIDE) return SizeTextProblem::too_large;
    }
    if (value == 0) return SizeTextProblem::zero;
    side = static_cast<uint32_t>(value);
    return SizeTextProblem::none;
}

}  // namespace

SizeTextProblem parse_size_text(const char* text, uint32_t& first, uint32_t& second)
{
    if (text == nullptr || *text == '\0') return SizeTextProblem::empty;
    const char* x = std::strpbrk(text, "xX");
    if (x == nullptr) return SizeTextProblem::no_x;
    uint32_t a = 0, b = 0;
    SizeTextProblem problem = parse_side(text, x, a);
    if (problem == SizeTextProblem::none) problem = parse_side(x + 1, x + std::strlen(x), b);
    if (problem != SizeTextProblem::none) return problem;
    first = a;
    second = b;
    return SizeTextProblem::none;
}

const char* size_text_problem_text(SizeTextProblem problem)
{
    switch (problem) {
    case SizeTextProblem::none: return "no problem";
    case SizeTextProblem::empty: return "the text is empty";
    case SizeTextProblem::no_x: return "an x must stand between the two numbers";
    case SizeTextProblem::not_a_number: return "each side must be a whole number in digits";
    case SizeTextProblem::zero: return "a side is 0";
    case SizeTextProblem::too_large: return "a side is larger than 32767";
    }
    return "unknown problem";
}
