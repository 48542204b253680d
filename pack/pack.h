// The packing core: frames and options in; the QFB file's bytes, in room the caller gives, or
// every problem as a value, out. The frames are a base filename's set or a list of images, read
// by the readers the caller picks (makeqfb links the Targa reader alone). Without work on their
// pixels, the Targa files of a pack go straight from where they lie into their places (see
// targa_member.h); otherwise every frame is loaded in order on the calling thread, its levels made,
// its alpha thresholded, its colour bled, its pixels dithered on every core, and its words put in
// place. Each step is the one the step tools take (qfbprep mipmaps, dither, makeqfb), so the bytes
// are theirs. The pieces makeqfb's own run is built from are in pack_rules.h, targa_member.h and
// row_sink.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <qfb/qfb.h>

#include "dither.h"
#include "frame_list.h"
#include "frameset.h"
#include "pack_problem.h"

struct PackOptions {
    int32_t format = -1;                // as asked: a 24-bit set asked for 4444 is packed as 1555
    int32_t fps = 0;
    bool mipmaps = false;               // make the levels the frames lack
    int32_t levels = MAX_MIPMAP_LEVEL;  // with mipmaps: at most this many levels
    int32_t keep_coverage = 0;          // with mipmaps: made levels keep the full-size level's coverage
    int32_t alpha_threshold = -1;       // alpha below it becomes 0 and the rest 255; -1: alpha as it is
    bool bleed = false;                 // the colour of fully transparent pixels bled from visible ones
    bool dither = false;
    DitherOptions dithering;
};

struct PackRequest {
    FrameList frames;  // at least one
    PackOptions options;
    ReaderFor readers = nullptr;
    std::string output;  // the file the bytes are for, which may be none of the frames' files
};

// Room for the file's bytes, asked for once, when the layout is known: layout.size bytes, the
// start 2-byte aligned.
using PackDestination = std::function<uint8_t*(const qfb_file& layout)>;

// What was packed.
struct Packed {
    qfb_header header{};         // as written: the format is the one packed
    uint64_t size = 0;           // bytes of the file
    int32_t bits_per_pixel = 0;  // the first frame's
    int32_t made = 0;            // levels made for mipmaps
};

// Packs the request's frames into the room destination gives: the header and every level, the
// whole file. The output is checked first; then the frames are read, checked and packed in order.
PackProblem pack_frames(const PackRequest& request, const PackDestination& destination, Packed* packed);
