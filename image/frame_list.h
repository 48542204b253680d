// The frames of a pack, or of the source a packed file is compared with, named on a command line:
// one base filename, whose set is found as makeqfb finds it, or image files, in natural order of
// their names, each giving as many frames as it holds images. Nothing here prints: every refusal
// is an ImageProblem.
#pragma once

#include <string>
#include <vector>

#include "frameset.h"
#include "image_problem.h"
#include "image_reader.h"

// The images of one frame: its image, then the levels found after it.
using FrameFiles = std::vector<ImageRef>;
using FrameList = std::vector<FrameFiles>;

// True when the name ends in ext ("." included), compared without case.
bool has_extension(const std::string& name, const char* ext);

// Finds the set named by base into set (whole: every frame to the gap, each with its own levels;
// else makeqfb's refusal of frames with different levels). A folder is refused before the set is
// looked for.
ImageProblem find_set(const char* base, FrameSet& set, bool whole = true);

// Every member of the set, frame by frame, each frame's levels in order.
FrameList frames_of_set(const FrameSet& set);

// The frames named by args, in order: image files when there are several, when the one is not a
// Targa file, or when as_given (then in the order given, else in natural order), each file's
// images as frames; otherwise the set of the one base filename (see find_set).
ImageProblem gather_frames(const std::vector<std::string>& args, bool as_given, bool whole, ReaderFor readers,
                           FrameList& frames);
