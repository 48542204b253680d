// Discovery: the frame set a base filename names on disk. The single image when the base file
// exists (numbered frames are then not looked for), otherwise consecutive frames from 0000 or 0001
// up to the first gap; each frame's mipmap levels from 'a' up to the first missing letter. A file
// exists when it can be opened for reading; nothing else about it is looked at here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
