// The contact sheet of a checked QFB file: every level of every frame placed by the sheet layout,
// each pixel expanded by the format library, drawn as a block of scale x scale sheet pixels
// (nearest neighbour, never smoothed) over a light checkerboard that shows through where alpha
// is below 255, on a grey ground. The sheet is opaque RGB, written as a PNG file by libspng.
#pragma once

#include <cstdint>
#include <vector>

#include <qfb/qfb.h>

#include "preview/level_rows.h"
#include "preview/sheet_layout.h"

constexpr uint8_t SHEET_GROUND = 96;          // grey of the gaps and the edge
constexpr uint8_t SHEET_CHECKER_LIGHT = 255;  // the checkerboard's two greys
constexpr uint8_t SHEET_CHECKER_DARK = 204;
constexpr int32_t SHEET_CHECKER_SQUARE = 8;   // side of a square in sheet pixels, from each level's top left

// Draws the sheet into rgb (layout.width x layout.height x 3 bytes, rows top first), reading
// every level's rows through source in the library's walk order. False when a read failed or
// the memory could not be had.
bool render_sheet(const qfb_file& file, const SheetLayout& layout, const LevelRowSource& source,
                  std::vector<uint8_t>& rgb);
