// The naming convention of a frame set: the one function that names every member (frame
// number, mipmap level) from the base filename, and its inverse, which tells what member a file
// name is and of which set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <qfb/qfb.h>

// File names live in buffers of this size, terminator included: at most 255 characters.
constexpr size_t NAME_BUFFER_SIZE = 256;
// Frame number of the single-image form (the base filename itself, no number).
constexpr int32_t SINGLE_IMAGE = -1;
// Highest mipmap level: its letter, character 96 + level, must still fit in one byte. A QFB file
// has at most as many mipmaps, so the format library holds the number.
constexpr int32_t MAX_MIPMAP_LEVEL = QFB_MAX_MIPMAPS;
static_assert(MAX_MIPMAP_LEVEL == 255 - 96, "level letters run from 'a' (level 1) to character 255");

// The frame number in the names of the index-th frame (from 0) of a set whose first frame is
// first_frame: the single image keeps its form, numbered frames count up from the first.
inline int32_t member_frame(int32_t first_frame, int32_t index)
{
    return first_frame == SINGLE_IMAGE ? SINGLE_IMAGE : first_frame + index;
}

// Writes the member's name: stem, "-" when numbered or reduced, the level letter ('a' for level 1),
// the frame number as four or more digits, then the extension. Returns false, leaving out holding an
// empty string, when the name would not fit in NAME_BUFFER_SIZE - 1 characters, when base has no ".",
// or when the level is outside 0..MAX_MIPMAP_LEVEL.
bool build_frame_filename(char* out, const char* base, int32_t frame, int32_t level);
// The same as a string; empty when it does not fit.
std::string member_name(const std::string& base, int32_t frame, int32_t level);

// What member of which set name is, for sets whose base filename ends in ext: true, with the
// set's base filename, the frame number (SINGLE_IMAGE for none) and the level, when name is a
// name the convention gives with a "-" after the stem; false for any other name.
bool parse_frame_filename(const std::string& name, const std::string& ext, std::string* base, int32_t* frame,
                          int32_t* level);
