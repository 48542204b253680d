// The settling of changes that both halves of the watch share (see folder_watch.h).
#include "folder_watch.h"

#include <chrono>

FolderWatch::FolderWatch(const std::vector<std::string>& folders, IgnoredName ignored, const void* context)
    : source_(watch_source(folders, ignored, context))
{
}

FolderWatch::~FolderWatch() = default;

FolderWatch::Wait FolderWatch::wait_for_change(const std::atomic<bool>& stop)
{
    using Clock = std::chrono::steady_clock;
    if (source_ == nullptr) return Wait::failed;
    bool pending = false;
    Clock::time_point last{};
    for (;;) {
        if (stop.load()) return Wait::stopped;
        bool changed = false;
        // Short slices: a stop is seen within one.
        if (!source_->poll(pending ? 20 : 50, &changed)) return Wait::failed;
        const Clock::time_point now = Clock::now();
        if (changed) {
            pending = true;
            last = now;
        } else if (pending && now - last >= std::chrono::milliseconds(SETTLE_MS)) {
            return Wait::changed;
        }
    }
}
