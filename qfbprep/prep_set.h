// PrepSet: the frame set named by a base filename as makeqfb's discovery finds it, with each
// frame's own count of painted mipmap levels (which makeqfb requires to be equal), and the names
// of its members.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PrepFrame {
    int32_t number;   // the frame number in its names (SINGLE_IMAGE for the single image)
    int32_t mipmaps;  // reduced levels present: 1, 2, ... up to the first missing letter
};

struct PrepSet {
    std::string base;
    std::vector<PrepFrame> frames;
};

enum class PrepSetResult { found, nothing_found, name_too_long };

// Walks the set with makeqfb's discovery. Prints nothing.
PrepSetResult find_prep_set(const char* base, PrepSet& set);

// Like find_prep_set, but prints makeqfb's message for a set that is not there or whose names
// do not fit; true when the set has at least one frame.
bool find_prep_set_or_say(const char* base, PrepSet& set);

// The member's name; empty when it does not fit in a name buffer.
std::string member_name(const std::string& base, int32_t frame, int32_t level);

// The name without its folders.
std::string file_part(const std::string& path);
