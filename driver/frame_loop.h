// The frame and mipmap loop: walks every frame and, within it, every level from full size down,
// checks each file's size and depth, loads it and converts it straight into the output buffer.
#pragma once

#include <cstdint>

#include "output/pixel_format.h"

enum class FrameLoopResult {
    converted,   // every level of every frame is in the output buffer
    mismatch,    // a file's size or depth differs from what its place requires (nothing printed yet)
    unreadable,  // a file is missing or not a readable Targa (its message is printed)
};

// The levels of frame first_frame .. first_frame + frame_count - 1 (just one frame when
// first_frame is the single-image form), each level half the size of the one above.
// The caller has made sure that the whole file fits in the output buffer and that an image
// of width x height fits in the pixel buffer.
FrameLoopResult convert_frames(const char* base, int32_t width, int32_t height, int32_t bits_per_pixel,
                               PixelFormat format, int32_t first_frame, int32_t frame_count,
                               int32_t mipmap_count);

// Prints the message for a member that could not be read, completing its "name:  " line.
void print_unreadable(const char* name, const char* reason);
