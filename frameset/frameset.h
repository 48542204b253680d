// The frame-set model: the naming convention both ways, discovery of a set on disk, and the rules
// a set must meet to be packed, each problem a typed value (makeqfb stops at the first, qfbprep
// check reports all, each in its own words).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <qfb/qfb.h>

#include "targa.h"

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

// A file of a set's folder named as one of its members (the base filename itself aside).
struct SetFile {
    std::string name;  // as build_frame_filename gives it, folder included
    int32_t frame;     // SINGLE_IMAGE for the single image's levels
    int32_t level;
};

// Every file in the base's folder named as a member of the base's set with a "-" after the
// stem, in name order; none when the folder cannot be read.
std::vector<SetFile> files_named_for(const std::string& base);

// One frame found: its number in the names (SINGLE_IMAGE for the single image) and its count of
// reduced levels.
struct SetFrame {
    int32_t number;
    int32_t mipmaps;
};

struct FrameSet {
    std::string base;
    std::vector<SetFrame> frames;  // in order; the first sets the set's mipmap count

    int32_t first_frame() const { return frames.empty() ? 1 : frames.front().number; }
    int32_t mipmap_count() const { return frames.empty() ? 0 : frames.front().mipmaps; }
    int32_t frame_count() const { return static_cast<int32_t>(frames.size()); }
};

enum class FindResult {
    found,            // at least one frame
    nothing_found,    // neither the base file nor frame 0000 or 0001 is there
    names_too_long,   // a member's name would not fit in a name buffer
    mipmap_mismatch,  // a frame has a different number of mipmaps than the first (set.frames ends with it)
};

// True when name can be opened for binary reading; the file is closed again at once.
bool file_exists(const char* name);

// Number of consecutive reduced levels (1, 2, ...) present for the frame; -1 when a name to probe
// does not fit in a name buffer.
int32_t count_mipmaps(const char* base, int32_t frame);

// Finds the set named by base into set. Discovery stops at the first frame whose mipmap count
// differs from the first's, unless whole is true: then every frame up to the gap is listed, each
// with its own count, and the result is found.
FindResult find_frames(const char* base, FrameSet& set, bool whole = false);

// The most bytes of pixels one image may have: 1024 x 512 at 32 bits, or 1024 x 682 at 24. It is
// the size of makeqfb's load buffer, and what qfbprep holds of one image.
constexpr size_t MAX_IMAGE_BYTES = 2097152;

enum class SetProblem {
    none,
    wrong_depth,          // not 24 or 32 bits per pixel
    depth_mismatch,       // not the first frame's depth
    frame_size_mismatch,  // a frame not of the first frame's size
    level_size_mismatch,  // a mipmap level not half the level above, in each dimension
    image_too_large,      // more than MAX_IMAGE_BYTES of pixels
    file_too_large,       // the QFB file would be larger than QFB_MAX_FILE_SIZE
};

// True for the depths a set may have: 24 and 32 bits per pixel.
inline bool packable_depth(int32_t bits_per_pixel) { return bits_per_pixel == 24 || bits_per_pixel == 32; }

// The width or height level `level` must have: the first frame's halved that many times.
inline int32_t level_side(int32_t side, int32_t level) { return level > 31 ? 0 : side >> level; }

// Member `level` of some frame against the set's first frame (level 0 of the first frame, whose
// depth is packable): its depth, then its size.
SetProblem check_member(const TargaHeader& first, const TargaHeader& member, int32_t level);

// Bytes of pixels of an image of that geometry.
uint64_t image_bytes(int32_t width, int32_t height, int32_t bits_per_pixel);

// The capacity of the set whose first frame is first: its images, then its whole QFB file.
SetProblem check_capacity(const TargaHeader& first, int32_t frame_count, int32_t mipmap_count);
