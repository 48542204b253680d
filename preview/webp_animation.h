// The animation of a checked QFB file: its full-size levels, frame after frame, as a lossless
// animated WebP file made by libwebp's animation encoder (libwebpmux), looping forever, alpha
// and the exact colour under transparent pixels kept. The encoder shows identical consecutive
// frames as one frame for their combined time.
#pragma once

#include <cstdint>
#include <string>

#include <qfb/qfb.h>

#include "atomic_file.h"
#include "level_rows.h"

// Milliseconds a frame is shown at fps: 1000 / fps rounded to the nearest, at least 1 (WebP
// keeps whole milliseconds; the most it holds, 16777215, is never reached as fps is at least 1).
int32_t frame_duration_ms(int32_t fps);

// The one line that refuses the animation of a file of this header, or "" when it is within
// the limits (preview_limits.h).
std::string animation_refusal(const qfb_header& header);

// Encodes the animation and writes it to name through a temporary file. The header must have
// passed animation_refusal. Reads each frame's full-size rows through source.
WriteStatus write_webp_animation(const char* name, const qfb_file& file, const LevelRowSource& source);
