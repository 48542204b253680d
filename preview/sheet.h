// The contact sheet of a checked QFB file: every level of every frame placed by the sheet layout,
// each pixel expanded by the format library, drawn as a block of scale x scale sheet pixels
// (nearest neighbour, never smoothed) over a light checkerboard that shows through where alpha
// is below 255, on a grey ground. The sheet is opaque RGB, written as a PNG file by libspng one
// row of cells at a time, so that memory is one row of cells whatever the number of frames.
#pragma once

#include <cstdint>

#include <qfb/qfb.h>

#include "atomic_file.h"
#include "level_rows.h"
#include "sheet_layout.h"

constexpr uint8_t SHEET_GROUND = 96;          // grey of the gaps and the edge
constexpr uint8_t SHEET_CHECKER_LIGHT = 255;  // the checkerboard's two greys
constexpr uint8_t SHEET_CHECKER_DARK = 204;
constexpr int32_t SHEET_CHECKER_SQUARE = 8;   // side of a square in sheet pixels, from each level's top left

// Draws the sheet of file, laid out as layout (which passed sheet_refusal), reading every
// level's rows through source in the library's walk order, and writes it to name as a PNG file.
WriteStatus write_sheet_png(const char* name, const qfb_file& file, const SheetLayout& layout,
                              const LevelRowSource& source);
