// The rules every pack keeps, whichever tool asks: the capacity of a QFB file and of each image in
// it, the size and depth each level's place needs, and that the output is none of the inputs.
#pragma once

#include <cstdint>
#include <string>

#include <qfb/qfb.h>

#include "frame_list.h"
#include "pack_problem.h"

// The layout of the file header describes, whose first frame has bits_per_pixel bits: the
// capacity rule first (its images, then the whole file: image_too_large, file_too_large), then
// the layout, which cannot fail once the file fits.
PackProblem lay_out(const qfb_header& header, int32_t bits_per_pixel, qfb_file* layout);

// What level `level` of every frame must be in a set whose first frame is top: top halved that
// many times, at top's depth.
Shape place_shape(const Shape& top, int32_t level);

// Whether found fits the place of level `level` of frame `frame`, which needs wanted: a mismatch
// naming name when it does not.
PackProblem check_place(const std::string& name, const Shape& found, const Shape& wanted, int32_t frame,
                        int32_t level);

// True when output leads to the same file as one of the frames' images (a single image named
// "x.qfb", or an output that links to a frame): writing it would destroy that input.
bool output_is_an_input(const std::string& output, const FrameList& frames);
