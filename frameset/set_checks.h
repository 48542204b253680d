// The rules a frame set must meet to be packed, each problem a typed value: makeqfb stops at the
// first it meets, qfbprep check reports them all, each tool in its own words.
#pragma once

#include <cstddef>
#include <cstdint>

#include "targa_header.h"

// The most bytes of pixels one image may have: 1024 x 512 at 32 bits, or 1024 x 682 at 24. It is
// the size of makeqfb's load buffer, and what qfbprep holds of one image.
constexpr size_t MAX_IMAGE_BYTES = 2097152;

enum class SetProblem {
    none,
    wrong_depth,          // not 24 or 32 bits per pixel
    depth_mismatch,       // not the first frame's depth
    frame_size_mismatch,  // a frame not of the first frame's size
    level_size_mismatch,  // a mipmap level not half the level above, in each dimension
    image_too_large,      // more than MAX_IMAGE_BYTES of pixels
    file_too_large,       // the QFB file would be larger than QFB_MAX_FILE_SIZE
};

// True for the depths a set may have: 24 and 32 bits per pixel.
inline bool packable_depth(int32_t bits_per_pixel) { return bits_per_pixel == 24 || bits_per_pixel == 32; }

// The width or height level `level` must have: the first frame's halved that many times.
inline int32_t level_side(int32_t side, int32_t level) { return level > 31 ? 0 : side >> level; }

// Member `level` of some frame against the set's first frame (level 0 of the first frame, whose
// depth is packable): its depth, then its size.
SetProblem check_member(const TargaHeader& first, const TargaHeader& member, int32_t level);

// Bytes of pixels of an image of that geometry.
uint64_t image_bytes(int32_t width, int32_t height, int32_t bits_per_pixel);

// The capacity of the set whose first frame is first: its images, then its whole QFB file.
SetProblem check_capacity(const TargaHeader& first, int32_t frame_count, int32_t mipmap_count);
