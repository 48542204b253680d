// Writing an opaque RGB image as a PNG file with libspng, through a temporary file renamed into
// place. The same pixels always give the same bytes: no time stamp or other varying chunk.
#pragma once

#include <cstdint>
#include <vector>

#include "preview/picture_file.h"

// Compression: zlib level 1 with the run-length strategy, and each row filtered by Up or None
// (whichever libspng's heuristic prefers). A sheet is mostly flat ground, checkerboard and
// blocks of repeated pixels, which this packs almost as well as level 9 at a fraction of the
// time, so that the sheet of a large file costs about what extracting it costs.
constexpr int PNG_ZLIB_LEVEL = 1;

// width x height x 3 bytes at rgb, rows top first.
PictureResult write_png_rgb(const char* name, int64_t width, int64_t height, const std::vector<uint8_t>& rgb);
