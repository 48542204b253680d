// The two pictures qfbinfo makes of a checked QFB file, and their limits (a file whose picture
// would pass one is refused before anything is read past the header or written):
// - the contact sheet: every level of every frame placed by the sheet layout, each pixel
//   expanded by the format library, drawn as a block of scale x scale sheet pixels (nearest
//   neighbour, never smoothed) over a light checkerboard that shows through where alpha is below
//   255, on a grey ground; opaque RGB, written as a PNG file by libspng one row of cells at a time,
//   so that memory is one row of cells whatever the number of frames;
// - the animation: the full-size levels, frame after frame, as a lossless animated WebP file made
//   by libwebp's animation encoder (libwebpmux), looping forever, alpha and the exact colour under
//   transparent pixels kept; the encoder shows identical consecutive frames as one frame for their
//   combined time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <qfb/qfb.h>

#include "atomic_file.h"
#include "sheet_layout.h"

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

// Draws the sheet of file, laid out as layout (which passed sheet_refusal), and writes it to name.
WriteStatus write_sheet_png(const char* name, const qfb_file& file, const SheetLayout& layout,
                            const LevelRowSource& source);

// Milliseconds a frame is shown at fps: 1000 / fps rounded to the nearest, at least 1 (WebP
// keeps whole milliseconds; the most it holds, 16777215, is never reached as fps is at least 1).
int32_t frame_duration_ms(int32_t fps);
// The one line that refuses the animation of a file of this header, or "" when it is within
// the limits.
std::string animation_refusal(const qfb_header& header);
// Encodes the animation and writes it to name (the header passed animation_refusal).
WriteStatus write_webp_animation(const char* name, const qfb_file& file, const LevelRowSource& source);
