// The conversion run: probes the first frame, settles the output format, checks that the file
// fits, writes the header, runs the frame loop and saves the QFB file beside the input.
#pragma once

#include <cstdint>

#include "output/pixel_format.h"

struct FrameSet {
    const char* base;      // the base filename as given
    int32_t frame_count;   // >= 1
    int32_t mipmap_count;  // reduced levels per frame
    int32_t first_frame;   // -1 (single image), 0 or 1
};

// Returns the exit status: 0 when the QFB file was written, 1 after any failure (message printed).
int run_conversion(PixelFormat format, int32_t fps, const FrameSet& set);

// The output name: the base filename's stem (all before its last ".") followed by ".qfb".
// False when it would not fit in a name buffer.
bool build_output_name(char* out, const char* base);

// Prints the message for an image of more pixel bytes than the pixel buffer holds.
void print_image_too_large(const char* name, uint64_t image_bytes);
