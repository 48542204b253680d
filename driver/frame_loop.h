// The frame and mipmap loop: walks every frame and, within it, every level from full size down,
// checks each file's size and depth, loads it and converts it straight into the output buffer.
#pragma once

#include <cstdint>

#include <qfb/qfb.h>

#include "output/pixel_format.h"

enum class FrameLoopResult {
    converted,   // every level of every frame is in the output buffer
    mismatch,    // a file's size or depth differs from what its place requires (nothing printed yet)
    unreadable,  // a file is missing or not a readable Targa (its message is printed)
};

// Every level of the file's layout, in file order: frame first_frame and on (just the single
// image when first_frame is the single-image form), each level of the size the layout gives.
// The caller has made sure that the whole file fits in the output buffer and that the
// full-size image fits in the pixel buffer.
FrameLoopResult convert_frames(const char* base, const qfb_file& layout, int32_t bits_per_pixel, PixelFormat format,
                               int32_t first_frame);

// Prints the message for a member that could not be read, completing its "name:  " line.
void print_unreadable(const char* name, const char* reason);
