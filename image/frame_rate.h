// How long frames show, and the one frame rate that plays them. Browsers show a frame whose delay
// is 10 ms or less (a GIF's 0 and 1 hundredths of a second, a WebP frame's 0 to 10 ms) for 100 ms:
// the readers give durations as shown. A QFB file plays every frame for 1000 / fps ms, fps whole.
//
// Rounding: durations count as equal when the longest is at most 1 ms longer than the shortest
// (a 30 fps WebP file says 33, 33, 34 ms); the rate is then the frames' count per second of their
// total time, rounded to the nearest whole number, a half up, and at least 1: 30 ms is 33.3 fps,
// so 33; 33, 33 and 34 ms is 30. The rate suggested for unequal durations is found the same way,
// so that the animation keeps its length.
#pragma once

#include <cstdint>
#include <vector>

// The duration a browser shows for a frame whose file asks for ms.
inline uint32_t shown_duration_ms(uint32_t ms) { return ms <= 10 ? 100 : ms; }

struct FrameRate {
    enum Kind {
        uniform,    // the durations are equal: fps plays them
        varied,     // they are not: fps is the nearest whole rate, suggested; distinct_ms lists them
        no_frames,  // no durations were given
        no_time,    // the durations add up to 0 ms
    } kind = no_frames;
    int32_t fps = 0;
    std::vector<uint32_t> distinct_ms;  // varied: each duration once, shortest first
};

FrameRate frame_rate_of(const std::vector<uint32_t>& durations_ms);

// What a given fps says against the frames' own durations, for a note: agrees when the durations
// are equal and give that fps, differs when they are equal and give another, varies when they are
// not equal (or there are none).
enum class FpsAgreement { agrees, differs, varies };
FpsAgreement compare_fps(int32_t fps, const std::vector<uint32_t>& durations_ms);
