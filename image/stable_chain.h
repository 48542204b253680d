// StableChain: stable's frames of one level, dithered in frame order on whatever threads take
// them, so that other frames are read, made and written meanwhile. A frame is dithered in pieces
// of rows (dither_piece), and each piece waits only for the same piece of the frame before: the
// thread of the next frame follows a piece behind, and every core works.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "dither.h"
#include "image.h"

class StableChain {
public:
    // Dithers image, the frame at place, after the frame at place - 1 (the first place dithers as
    // a first frame), and returns it. Each place from 0 up is given once, and a thread gives its
    // places in increasing order.
    std::shared_ptr<const Image> dither(size_t place, Image image, int32_t format, const DitherOptions& options);

private:
    // A frame given and not yet let go by the frame after.
    struct Frame {
        std::shared_ptr<Image> source;        // its pixels before dithering
        std::shared_ptr<Image> dithered;      // dithered in place, piece by piece
        int32_t pieces = 0;
        int32_t done = 0;  // the pieces dithered; each is not touched again
    };

    std::mutex mutex_;
    std::condition_variable changed_;  // a frame given, a piece done or a frame let go
    std::map<size_t, Frame> frames_;
    // The memory of sources and marks let go, for the next frames' copies: the same pages serve
    // frame after frame instead of being cleared again.
    std::vector<std::vector<uint8_t>> spare_sources_, spare_marks_;
};
