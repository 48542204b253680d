// Sprite sheets: one image cut into frames of equal size, row by row from the top, each row left to
// right, by a grid of columns x rows or by a cell's width x height; and the texts ("8x4", "64x64")
// that give either.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "image.h"

struct SheetLayout {
    enum Form { grid, cell } form = grid;
    uint32_t across = 0, down = 0;  // grid: columns and rows; cell: a cell's width and height
    std::optional<uint32_t> cells;  // the cells taken, in order (a last row partly filled); all when none
};

struct SheetProblem {
    enum Kind {
        none,
        not_whole,       // the sheet's size is not a whole number of cells (or is 0)
        no_cells,        // the cells taken are 0
        too_many_cells,  // more cells are taken than the sheet holds
        cell_too_large,  // a cell is larger than an image may be
    } kind = none;
    int32_t sheet_width = 0, sheet_height = 0;  // the sheet's size
    uint32_t across = 0, down = 0;              // the layout's two numbers, as given
    uint64_t value = 0;                         // too_many_cells: the cells it holds; cell_too_large: a cell's bytes
};

// A short lower-case phrase for the problem, e.g. "the sheet is not a whole number of cells".
const char* sheet_problem_text(SheetProblem::Kind kind);

// Cuts sheet (24 or 32 bits) into cells of its depth, appended to frames in order. A cell is held
// to the limits of one image; the sheet is not. frames is unchanged unless the result is none.
SheetProblem cut_sheet(const Image& sheet, const SheetLayout& layout, std::vector<Image>& frames);

// The cells a layout cuts from a sheet, checked as cut_sheet checks them: for a reader that cuts
// each cell when it is wanted rather than all at once.
struct SheetCells {
    uint32_t columns = 0, cell_width = 0, cell_height = 0;
    uint64_t taken = 0;  // the cells taken, in order
};
SheetProblem sheet_cells(const Image& sheet, const SheetLayout& layout, SheetCells& cells);
// Cell index (below cells.taken) of the sheet, of its depth, into cell.
void cut_cell(const Image& sheet, const SheetCells& cells, uint64_t index, Image& cell);

enum class SizeTextProblem {
    none,
    empty,         // no text
    no_x,          // no "x" between the numbers
    not_a_number,  // a side is not a whole number in decimal digits
    zero,          // a side is 0
    too_large,     // a side is above QFB_MAX_SIDE
};

// Reads "AxB" (or "AXB"): two decimal numbers from 1 to QFB_MAX_SIDE, nothing else around them.
SizeTextProblem parse_size_text(const char* text, uint32_t& first, uint32_t& second);

// A short lower-case phrase for the problem, e.g. "a number is missing".
const char* size_text_problem_text(SizeTextProblem problem);
