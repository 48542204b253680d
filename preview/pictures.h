// The pictures qfbinfo makes of a checked QFB file, and their limits (a picture beyond one is
// refused before anything is read past the header or written): the contact sheet, every level of
// every frame drawn over a checkerboard as an opaque PNG written one row of cells at a time; and
// the animation, the full-size levels as a lossless looping animated WebP file.
#pragma once
//
// The sheet's layout: each frame is a cell, its full-size level at the cell's top left and its
// mipmap levels in a column to the right of it, top-aligned, one under the other (empty levels
// take no room). Cells stand in file order, left to right and top to bottom, in the number of
// columns that makes the sheet closest to square, SHEET_GAP pixels apart and from the edges. Small
// sets are scaled up by a whole factor so that the full-size level is about SHEET_TARGET_SIDE
// pixels on its longer side.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <qfb/qfb.h>

#include "files.h"

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

// A picture beyond one of its limits: which, or none.
enum class PictureLimit {
    none,
    sheet_pixels,            // more than SHEET_MAX_PIXELS
    animation_side,          // a side of 0 or above ANIMATION_MAX_SIDE
    animation_frame_pixels,  // a frame of more than ANIMATION_MAX_FRAME_PIXELS
    animation_frames,        // more than ANIMATION_MAX_FRAMES
    animation_pixels,        // more than ANIMATION_MAX_PIXELS in all frames
};

// Whether a sheet of this layout is within SHEET_MAX_PIXELS.
PictureLimit sheet_limit(const SheetLayout& layout);

// Side of an animation frame: WebP stores a side in 14 bits (libwebp's WEBP_MAX_DIMENSION).
constexpr int32_t ANIMATION_MAX_SIDE = 16383;
// Pixels of one animation frame: the encoder keeps several canvases of 4 bytes a pixel at once.
constexpr uint64_t ANIMATION_MAX_FRAME_PIXELS = uint64_t{1} << 24;
// Frames of an animation: past ten thousand (almost three minutes at 60 fps) a preview is no help.
constexpr int32_t ANIMATION_MAX_FRAMES = 10000;
// Pixels of all frames together: the encoder keeps every encoded frame in memory until the end.
constexpr uint64_t ANIMATION_MAX_PIXELS = uint64_t{1} << 26;

// Where the pictures get their pixels: fills words with row `row` (0 = top) of level, width
// little-endian words, asked for in the library's walk order. False stops the picture.
using LevelRowSource = std::function<bool(const qfb_level& level, int32_t row, uint8_t* words)>;

// Draws the sheet of file, laid out as layout (within sheet_limit), and writes it to name.
WriteStatus write_sheet_png(const char* name, const qfb_file& file, const SheetLayout& layout,
                            const LevelRowSource& source);

// Milliseconds a frame is shown at fps: 1000 / fps rounded to the nearest, at least 1 (WebP
// keeps whole milliseconds; the most it holds, 16777215, is never reached as fps is at least 1).
int32_t frame_duration_ms(int32_t fps);
// The first limit the animation of a file of this header is beyond, or none.
PictureLimit animation_limit(const qfb_header& header);
// Encodes the animation and writes it to name (within animation_limit).
WriteStatus write_webp_animation(const char* name, const qfb_file& file, const LevelRowSource& source);
