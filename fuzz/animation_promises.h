// The promises of an animation reader that its fuzz targets check on every input: a file read has
// frames, a duration each, every frame 32 bits at the first's size within an image's bounds, every
// duration one a browser shows (above 10 ms), and all of them within the bound on decoded bytes;
// a refused file leaves nothing. A broken promise aborts.
#pragma once

#include <cstdlib>

#include "animation.h"
#include "animation_limits.h"
#include "animation_problem.h"

inline void check_promise(bool promise)
{
    if (!promise) std::abort();
}

inline void check_animation(const AnimationResult& result, const Animation& animation)
{
    check_promise(animation_problem_text(result.problem) != nullptr);
    if (!result.ok()) {
        check_promise(animation.frames.empty() && animation.durations_ms.empty());
        return;
    }
    check_promise(!animation.frames.empty() && animation.frames.size() == animation.durations_ms.size());
    const Image& first = animation.frames.front();
    check_promise(first.width > 0 && first.height > 0 && frame_fits(uint64_t(first.width), uint64_t(first.height)));
    uint64_t bytes = 0;
    for (const Image& frame : animation.frames) {
        check_promise(frame.same_shape(first) && frame.bits_per_pixel == 32);
        check_promise(frame.pixels.size() == size_t(frame.width) * size_t(frame.height) * 4);
        bytes += frame.pixels.size();
    }
    check_promise(bytes <= MAX_ANIMATION_BYTES);
    for (uint32_t ms : animation.durations_ms) check_promise(ms > 10);
}
