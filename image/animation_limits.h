// The bounds every reader of animations and sheets holds to: the bytes of a file it takes, the size
// of one whole frame, and the bytes all of a file's frames may decode to.
#pragma once

#include <cstddef>
#include <cstdint>

#include <qfb/qfb.h>

#include "frameset.h"

// An animation file holds at most this many bytes, as a PNG file may: far more than any animation
// makeqfb packs compresses to, and a bound on the decoders' index of a file's frames.
constexpr size_t MAX_ANIMATION_FILE = size_t{64} << 20;

// Every decoded pixel packs into a 2-byte word, so the 4-byte pixels of any animation that can be
// packed take at most twice the largest QFB file; a third share covers each frame's own pixels as
// the file stores them and the decoders' records. Bounds memory and decoding time alike.
constexpr uint64_t MAX_ANIMATION_BYTES = uint64_t{3} * QFB_MAX_FILE_SIZE;
// What a frame costs beside its pixels: the decoder's record of it (a GIF frame's descriptor and
// copy of its colour table, up to 800 bytes), its Image and its duration.
constexpr uint64_t FRAME_RECORD_BYTES = 1024;

// True when a frame of width x height, of bytes_per_pixel (4: 32 bits), is no larger than one image
// may be, in bytes and in each side.
inline bool frame_fits(uint64_t width, uint64_t height, uint64_t bytes_per_pixel = 4)
{
    return width <= QFB_MAX_SIDE && height <= QFB_MAX_SIDE && width * height * bytes_per_pixel <= MAX_IMAGE_BYTES;
}

// The bytes a file's frames have decoded to so far, against MAX_ANIMATION_BYTES.
class DecodeBudget {
public:
    // Counts bytes more; false, counting nothing, when they would pass the bound.
    bool take(uint64_t bytes)
    {
        if (bytes > MAX_ANIMATION_BYTES - used_) return false;
        used_ += bytes;
        return true;
    }

private:
    uint64_t used_ = 0;
};
