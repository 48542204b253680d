// The frame rate of a list of durations (see frame_rate.h).
#include "frame_rate.h"

#include <algorithm>
#include <limits>

namespace {

// count frames in total_ms, as whole frames per second: rounded, a half up, at least 1.
int32_t whole_fps(uint64_t count, uint64_t total_ms)
{
    const uint64_t rounded = (2000 * count + total_ms) / (2 * total_ms);
    return static_cast<int32_t>(std::clamp<uint64_t>(rounded, 1, std::numeric_limits<int32_t>::max()));
}

}  // namespace

FrameRate frame_rate_of(const std::vector<uint32_t>& durations_ms)
{
    FrameRate rate;
    if (durations_ms.empty()) return rate;
    uint64_t total = 0;
    for (uint32_t ms : durations_ms) total += ms;
    if (total == 0) {
        rate.kind = FrameRate::no_time;
        return rate;
    }
    rate.fps = whole_fps(durations_ms.size(), total);
    const auto [shortest, longest] = std::minmax_element(durations_ms.begin(), durations_ms.end());
    if (*longest - *shortest <= 1) {
        rate.kind = FrameRate::uniform;
        return rate;
    }
    rate.kind = FrameRate::varied;
    rate.distinct_ms = durations_ms;
    std::sort(rate.distinct_ms.begin(), rate.distinct_ms.end());
    rate.distinct_ms.erase(std::unique(rate.distinct_ms.begin(), rate.distinct_ms.end()), rate.distinct_ms.end());
    return rate;
}

FpsAgreement compare_fps(int32_t fps, const std::vector<uint32_t>& durations_ms)
{
    const FrameRate rate = frame_rate_of(durations_ms);
    if (rate.kind != FrameRate::uniform) return FpsAgreement::varies;
    return rate.fps == fps ? FpsAgreement::agrees : FpsAgreement::differs;
}
