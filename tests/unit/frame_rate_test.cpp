// The frame rate of frames' durations: equal durations (to 1 ms) give a whole fps, rounded half up;
// unequal ones are refused with each duration once and the nearest whole fps of their total time.
#include <gtest/gtest.h>

#include <vector>

#include "frame_rate.h"

namespace {

TEST(FrameRate, FromDurations)
{
    struct Case {
        std::vector<uint32_t> durations;
        FrameRate::Kind kind;
        int32_t fps;
        std::vector<uint32_t> distinct;
    } cases[] = {
        {{100, 100, 100}, FrameRate::uniform, 10, {}},
        {{30}, FrameRate::uniform, 33, {}},            // 33.3
        {{33, 33, 34}, FrameRate::uniform, 30, {}},    // 1 ms apart: 30 fps written by whole milliseconds
        {{40, 41, 40, 41}, FrameRate::uniform, 25, {}},  // 24.7
        {{80}, FrameRate::uniform, 13, {}},            // 12.5, a half up
        {{1}, FrameRate::uniform, 1000, {}},
        {{3000}, FrameRate::uniform, 1, {}},           // 0.33, never below 1
        {{100, 200, 100}, FrameRate::varied, 8, {100, 200}},  // 7.5 frames a second over their 400 ms
        {{30, 40, 30, 100, 30}, FrameRate::varied, 22, {30, 40, 100}},
        {{}, FrameRate::no_frames, 0, {}},
        {{0, 0}, FrameRate::no_time, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.durations));
        const FrameRate rate = frame_rate_of(c.durations);
        EXPECT_EQ(rate.kind, c.kind);
        EXPECT_EQ(rate.fps, c.fps);
        EXPECT_EQ(rate.distinct_ms, c.distinct);
    }
}

TEST(FrameRate, AGivenFpsAgainstTheDurations)
{
    EXPECT_EQ(compare_fps(33, {30, 30}), FpsAgreement::agrees);
    EXPECT_EQ(compare_fps(30, {30, 30}), FpsAgreement::differs);
    EXPECT_EQ(compare_fps(10, {100, 200}), FpsAgreement::varies);
    EXPECT_EQ(compare_fps(10, {}), FpsAgreement::varies);
}

}  // namespace
