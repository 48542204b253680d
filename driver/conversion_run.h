// The conversion run: probes the first frame, settles the output format, checks that the set
// fits, writes the header, runs the frame loop and saves the QFB file beside the input.
#pragma once

#include <cstdint>

#include "discovery.h"
#include "pixel_format.h"

// Returns the exit status: 0 when the QFB file was written, 1 after any failure (message printed).
int run_conversion(PixelFormat format, int32_t fps, const FrameSet& set);

// The output name: the base filename's stem (all before its last ".") followed by ".qfb".
// False when it would not fit in a name buffer.
bool build_output_name(char* out, const char* base);
