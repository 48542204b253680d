// makeqfb's conversion: the run probes the first frame, settles the output format, checks that
// the set fits, writes the header, runs the frame loop and saves the QFB file beside the input.
// The frame and mipmap loop walks every frame and, within it, every level from full size down,
// checks each file's size and depth, and converts its pixels straight into the output buffer:
// from the file's bytes in place when uncompressed, decoded into the pixel buffer first when
// run-length encoded. Each member is opened once.
#pragma once

#include <cstdint>

#include <qfb/qfb.h>

#include "frameset.h"
#include "output.h"
#include "targa.h"

// Returns the exit status: 0 when the QFB file was written, 1 after any failure (message printed).
int run_conversion(PixelFormat format, int32_t fps, const FrameSet& set);

enum class FrameLoopResult {
    converted,   // every level of every frame is in the output buffer
    mismatch,    // a file's size or depth differs from what its place requires (nothing printed yet)
    unreadable,  // a file is missing or not a readable Targa (its message is printed)
};

// Every level of the file's layout, in file order. first is the set's first member, open, whose
// depth is packable; the caller has made sure that the whole file fits in the output buffer and
// that the full-size image fits in the pixel buffer.
FrameLoopResult convert_frames(const FrameSet& set, const qfb_file& layout, TargaFile& first, PixelFormat format);
