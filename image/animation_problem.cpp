// The phrase for each reason an animation file was not read, and the guard around every reader's
// decoder (see animation_problem.h).
#include "animation_problem.h"

#include <new>

#include "animation_limits.h"

static_assert(MAX_ANIMATION_FILE == size_t{64} << 20, "the phrase of file_too_large names the limit");

const char* animation_problem_text(AnimationProblem problem)
{
    switch (problem) {
    case AnimationProblem::none: return "no problem";
    case AnimationProblem::not_gif: return "not a GIF file";
    case AnimationProblem::not_webp: return "not a WebP file";
    case AnimationProblem::cut_short: return "the file is cut short";
    case AnimationProblem::bad_block: return "a block is damaged (of no known kind, or of the wrong size)";
    case AnimationProblem::bad_lzw: return "a frame's LZW data is damaged";
    case AnimationProblem::no_colour_table: return "a frame has no colour table";
    case AnimationProblem::bad_chunks: return "its chunks do not make a WebP file";
    case AnimationProblem::bad_frame_data: return "a frame's compressed data is damaged";
    case AnimationProblem::no_frames: return "the file has no frames";
    case AnimationProblem::empty_screen: return "the image is 0 pixels wide or high";
    case AnimationProblem::screen_too_large: return "its frames are larger than an image may be";
    case AnimationProblem::frame_too_large: return "a frame's rectangle is larger than an image may be";
    case AnimationProblem::too_many_frames: return "its frames take more memory than a QFB file could ever hold";
    case AnimationProblem::file_too_large: return "the file is larger than 64 MiB";
    case AnimationProblem::out_of_memory: return "out of memory";
    }
    return "unknown problem";
}

AnimationResult read_animation(const uint8_t* data, size_t size, Animation& animation,
                               AnimationResult (*decode)(const uint8_t*, size_t, Animation&))
{
    animation = Animation{};
    if (size > MAX_ANIMATION_FILE) return {AnimationProblem::file_too_large, size};
    AnimationResult result;
    try {
        result = decode(data, size, animation);
    } catch (const std::bad_alloc&) {
        result = {AnimationProblem::out_of_memory, 0};
    }
    if (!result.ok()) animation = Animation{};
    return result;
}
