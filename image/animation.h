// The frames of one animated or layered file (a GIF, an animated WebP, an Aseprite sprite), each
// composited at the file's full size as a player shows it, with how long each one shows.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

struct Animation {
    std::vector<Image> frames;           // 32-bit (blue, green, red, alpha), top row first, all of the file's size
    std::vector<uint32_t> durations_ms;  // one a frame, as the file gives it
};
