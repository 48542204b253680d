// Speed of qfbprep's dithering loop on 1024 x 512 32-bit frames dithered for 4444, in frame pixels
// per second: one frame alone, and two frames at once. Each iteration dithers fresh copies.
#include <benchmark/benchmark.h>

#include <qfb/qfb.h>

#include <cstdint>
#include <vector>

#include "bench/targa_maker.h"
#include "dither.h"

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

void run_loop(benchmark::State& state, bool pair)
{
    const Image first = frame(1), second = frame(2);
    for (auto _ : state) {
        state.PauseTiming();
        Image a = first, b = second;
        state.ResumeTiming();
        if (pair) {
            dither_images(a, b, QFB_FORMAT_4444);
        } else {
            dither_image(a, QFB_FORMAT_4444);
        }
        benchmark::DoNotOptimize(a.pixels.data());
        benchmark::DoNotOptimize(b.pixels.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * (pair ? 2 : 1) * WIDTH * HEIGHT);
}

}  // namespace

BENCHMARK_CAPTURE(run_loop, one_frame, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run_loop, two_frames, true)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
