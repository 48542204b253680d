// Where the pictures get their pixels: the words of one row of one level of a checked QFB file,
// asked for in the library's walk order (a caller reading a stream reads on, or skips ahead).
#pragma once

#include <cstdint>
#include <functional>

#include <qfb/qfb.h>

// Fills words with row `row` (0 = top) of level: width little-endian 16-bit words. False stops
// the picture (the file could not be read).
using LevelRowSource = std::function<bool(const qfb_level& level, int32_t row, uint8_t* words)>;
