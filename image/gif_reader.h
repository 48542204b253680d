// GIF files read into whole frames through giflib: the file's blocks become GifFrame records, which
// the project's own compositor (gif_compositor.h) turns into the frames a browser shows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "animation.h"
#include "animation_problem.h"
#include "gif_compositor.h"

// Decodes the GIF file in data[0, size) frame by frame into compositor, started on its logical
// screen, which appends each whole frame to out. The file is checked up to its trailer.
AnimationResult decode_gif(const uint8_t* data, size_t size, GifCompositor& compositor, Animation& out);

// Reads the GIF file in data[0, size) into animation: every frame at the logical screen's size,
// 32 bits, with the time it shows. Prints nothing; animation is empty unless the result is ok.
AnimationResult read_gif(const uint8_t* data, size_t size, Animation& animation);
