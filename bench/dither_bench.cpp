// Speed of qfbprep's dithering loops on 1024 x 512 32-bit frames dithered for 4444, in frame
// pixels per second: the portable loop, the vector loop on one frame, and the vector loop on two
// frames at once (skipped where the processor has no AVX2). Each iteration dithers fresh copies.
#include <benchmark/benchmark.h>

#include <qfb/qfb.h>

#include <cstdint>
#include <vector>

#include "bench/targa_maker.h"
#include "dither_loops.h"

namespace {

constexpr int32_t WIDTH = 1024;
constexpr int32_t HEIGHT = 512;

Image frame(uint32_t seed)
{
    Image image;
    image.width = WIDTH;
    image.height = HEIGHT;
    image.bits_per_pixel = 32;
    image.pixels = qfbbench::make_pixels(qfbbench::TargaShape{WIDTH, HEIGHT, 32, false, true}, seed);
    return image;
}

enum class Loop { portable, vector_alone, vector_pair };

void run_loop(benchmark::State& state, Loop loop)
{
    if (loop != Loop::portable && !dither_vector_available()) {
        state.SkipWithError("this processor has no AVX2");
        return;
    }
    const Image first = frame(1), second = frame(2);
    for (auto _ : state) {
        state.PauseTiming();
        Image a = first, b = second;
        state.ResumeTiming();
        if (loop == Loop::portable) {
            dither_portable(a, QFB_FORMAT_4444);
        } else {
            dither_vector(a, loop == Loop::vector_pair ? &b : nullptr, QFB_FORMAT_4444);
        }
        benchmark::DoNotOptimize(a.pixels.data());
        benchmark::DoNotOptimize(b.pixels.data());
    }
    const int64_t frames = loop == Loop::vector_pair ? 2 : 1;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * frames * WIDTH * HEIGHT);
}

}  // namespace

BENCHMARK_CAPTURE(run_loop, portable, Loop::portable)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run_loop, vector_one_frame, Loop::vector_alone)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run_loop, vector_two_frames, Loop::vector_pair)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
