// makeqfb's conversion run (probe the first frame, settle the format, check the set fits, write the
// header, run the frame loop, save beside the input) and its frame loop, every member opened once:
// a thin layer over the packing core, which keeps the rules and moves the pixels, while this says
// what happens in makeqfb's words and keeps the file in makeqfb's static buffers.
#pragma once

#include <cstdint>

#include <qfb/qfb.h>

#include "frame_list.h"
#include "frameset.h"
#include "output.h"
#include "pack_problem.h"
#include "targa.h"

// Returns the exit status: 0 when the QFB file was written, 1 after any failure (message printed).
int run_conversion(PixelFormat format, int32_t fps, const FrameSet& set);

// Every level of the file's layout, in file order, from the set's files (frames) into
// output_buffer at output_cursor, each member's name and its converter's notice printed as it
// goes. first is the set's first member, open, whose depth is packable; the caller has made sure
// that the whole file fits in the output buffer and each image in the pixel buffer. Stops at the
// first member that is unreadable or not the size and depth its place needs, and says which.
PackProblem convert_frames(const FrameList& frames, const qfb_file& layout, TargaFile& first, PixelFormat format);
