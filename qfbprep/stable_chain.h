// StableChain: stable's frames of one level, dithered one after another in frame order on
// whatever threads take them, so that other frames are read, made and written meanwhile: the
// image at place n waits for the one at place n - 1, is dithered after it and is kept for the one
// at place n + 1. Before its turn, each thread copies its image's source and marks which pixels
// equal the previous place's source; while it waits, it dithers half of the frame being
// dithered, so that no core waits idle beside the chain and no thread is started for it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "dither.h"
#include "image.h"

class StableChain {
public:
    // Waits until every place before place is done, then dithers image after the image before it
    // (dither_after; the first place dithers as a first frame) and returns it, shared with the
    // chain until the next place is done. Each place from 0 up is given once.
    std::shared_ptr<const Image> dither(size_t place, Image image, int32_t format, const DitherOptions& options);

private:
    // With the lock held: waits until ready() holds, running an offered task meanwhile.
    void wait_helping(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready);
    // Runs here, and there on a thread waiting in the chain if one takes it before here is done,
    // else after here.
    void run_beside(const std::function<void()>& here, const std::function<void()>& there);

    std::mutex mutex_;
    std::condition_variable changed_;  // a source given, a turn passed on, or a task offered or done
    size_t next_ = 0;                  // the place whose turn it is
    // The sources of the places given and not yet needed by the place after.
    std::map<size_t, std::shared_ptr<const Image>> sources_;
    const std::function<void()>* offered_ = nullptr;  // a task for a waiting thread, until taken
    bool task_running_ = false;                       // a waiting thread runs the task it took
    std::shared_ptr<const Image> dithered_;  // the last place's result: only the thread whose turn it is reads it
};
