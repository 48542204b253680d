// Why an animation file was not read: each bad input a named outcome, with the number a message
// needs; and what every reader does around its decoder. Shared by the GIF and WebP readers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "animation.h"

enum class AnimationProblem {
    none,
    not_gif,           // the bytes do not start as a GIF file
    not_webp,          // the bytes do not start as a WebP file
    cut_short,         // the file ends inside a block, a chunk, or before the GIF trailer
    bad_block,         // GIF: a block of unknown kind, or a graphic control block not of 4 bytes
    bad_lzw,           // GIF: a frame's LZW data is damaged or ends before the frame's pixels
    no_colour_table,   // GIF: a frame has neither a local nor a global colour table
    bad_chunks,        // WebP: the chunks do not make a WebP file
    bad_frame_data,    // WebP: a frame's compressed data does not decode
    no_frames,         // the file holds no frame
    empty_screen,      // the image is 0 pixels wide or high
    screen_too_large,  // value: the bytes of one whole frame at 32 bits
    frame_too_large,   // GIF: one frame's rectangle is larger than a whole frame may be; value: its pixels
    too_many_frames,   // the frames decode to more than MAX_ANIMATION_BYTES; value: the frame that passed it
    file_too_large,    // more than MAX_ANIMATION_FILE bytes; value: the file's bytes
    out_of_memory,
};

struct AnimationResult {
    AnimationProblem problem = AnimationProblem::none;
    uint64_t value = 0;  // see each problem

    bool ok() const { return problem == AnimationProblem::none; }
};

// A short lower-case phrase for the problem, e.g. "the file is cut short"; never null.
const char* animation_problem_text(AnimationProblem problem);

// Runs decode on a file's bytes into animation, emptied first: refuses a file of more than
// MAX_ANIMATION_FILE bytes before decoding, turns a failed allocation into out_of_memory, and
// leaves animation empty unless the result is ok.
AnimationResult read_animation(const uint8_t* data, size_t size, Animation& animation,
                               AnimationResult (*decode)(const uint8_t*, size_t, Animation&));
