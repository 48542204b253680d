// Frame-set naming and discovery: the one function that names every member of a frame set
// (frame number, mipmap level) from the base filename, and the disk probe that finds the set.
#pragma once

#include <cstddef>
#include <cstdint>

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

// True when name can be opened for binary reading; the file is closed again at once.
bool file_exists(const char* name);

// Number of consecutive reduced levels (1, 2, ...) present for the frame; -1 when a name to probe
// does not fit in a name buffer.
int32_t count_mipmaps(const char* base, int32_t frame);

enum class FrameSetResult {
    found,            // out-values filled; a frame count of 0 means nothing was found
    mipmap_mismatch,  // a later frame has a different number of mipmaps than the first
    name_too_long,    // a member's name would not fit in a name buffer
};

// Prints the message for a base filename whose member or output names do not fit.
void print_names_too_long(const char* base);

// Finds the frame set named by base: the single image when base exists (numbered frames are then
// not looked for), otherwise consecutive frames from 0000 or 0001 up to the first gap.
FrameSetResult find_frames(const char* base, int32_t* frame_count, int32_t* mipmap_count,
                           int32_t* first_frame);
