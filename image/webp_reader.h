// WebP files, animated or still, read into whole frames through libwebp's demuxer and its
// animation decoder, which composites each frame (blending, disposal) itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "animation.h"
#include "animation_problem.h"

// Reads the WebP file in data[0, size) into animation: every frame at the canvas's size, 32 bits,
// with the time it shows; a still file gives one frame. Prints nothing; animation is empty unless
// the result is ok.
AnimationResult read_webp(const uint8_t* data, size_t size, Animation& animation);
