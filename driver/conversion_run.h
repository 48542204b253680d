// makeqfb's conversion run (probe the first frame, settle the format, check the set fits, write the
// header, run the frame loop, save beside the input) and its frame loop, every member opened once.
#pragma once

#include <cstdint>
#include <string>

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

// The member that gave FrameLoopResult::mismatch: what it is, and what its place requires.
struct MemberMismatch {
    std::string name;
    TargaHeader found;
    int32_t width = 0, height = 0, bits_per_pixel = 0;
};

// Every level of the file's layout, in file order. first is the set's first member, open, whose
// depth is packable; the caller has made sure that the whole file fits in the output buffer and
// that the full-size image fits in the pixel buffer. After a mismatch, *mismatch tells it.
FrameLoopResult convert_frames(const FrameSet& set, const qfb_file& layout, TargaFile& first, PixelFormat format,
                               MemberMismatch* mismatch);
