// The frames of a pack, or of the source a packed file is compared with, named on a command line:
// one base filename, whose set is found as makeqfb finds it, or image files (PNG or Targa) in
// natural order of their names; and the one way such a file is loaded.
#pragma once

#include <string>
#include <vector>

#include "image.h"

// The files of one frame: its image, then the levels found after it.
using FrameFiles = std::vector<std::string>;

// True when the name ends in ext ("." included), compared without case.
bool has_extension(const std::string& name, const char* ext);
// True for a name ending in .png: a PNG file; any other image is a Targa file.
inline bool is_png_name(const std::string& name) { return has_extension(name, ".png"); }

// The frames named by args, in order: image files when there are several, when the one is a PNG
// file, or when as_given (then in the order given, else in natural order); otherwise the set of
// the one base filename (with whole, every frame to the gap, each with its own levels; without,
// makeqfb's refusal of frames with different levels). False, said, when there is none.
bool gather_frames(const std::vector<std::string>& args, bool as_given, bool whole, std::vector<FrameFiles>& frames);

// Loads an image file of a frame: PNG by its name, else Targa (its image ID into id when that is
// not null); prints the refusal and returns false when it is not loaded.
bool load_frame_image(const std::string& name, Image& image, std::string* id = nullptr);
