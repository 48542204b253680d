// Speed of qfbprep's dithering on 1024 x 512 32-bit frames dithered for 4444, in frame pixels per
// second: diffusion of one frame alone and of two frames at once (as dither and pack run it), the
// ordered methods two frames at a time, and stable on a second frame that differs from the first
// everywhere (its worst case) and in a 64 x 64 patch (a sprite moving over a still background).
// Each iteration dithers fresh copies.
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

enum class Second { everywhere, patch };

void run_stable(benchmark::State& state, Second change)
{
    const Image source = frame(1);
    Image next = change == Second::everywhere ? frame(2) : source;
    if (change == Second::patch)
        for (int32_t y = 200; y < 264; ++y)
            for (int32_t x = 500; x < 564; ++x) next.row(y)[x * 4] ^= 0x55;
    Image first = source;
    DitherOptions options;
    options.method = DitherMethod::stable;
    dither_image(first, QFB_FORMAT_4444, options);
    for (auto _ : state) {
        state.PauseTiming();
        Image a = next;
        state.ResumeTiming();
        dither_after(a, next, kept_pixels(next, source), first, QFB_FORMAT_4444, options);
        benchmark::DoNotOptimize(a.pixels.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * WIDTH * HEIGHT);
}

void run_ordered(benchmark::State& state, DitherMethod method)
{
    const Image first = frame(1), second = frame(2);
    DitherOptions options;
    options.method = method;
    for (auto _ : state) {
        state.PauseTiming();
        Image a = first, b = second;
        state.ResumeTiming();
        dither_images(a, b, QFB_FORMAT_4444, options);
        benchmark::DoNotOptimize(a.pixels.data());
        benchmark::DoNotOptimize(b.pixels.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2 * WIDTH * HEIGHT);
}

}  // namespace

BENCHMARK_CAPTURE(run_loop, one_frame, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run_loop, two_frames, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run_ordered, ordered_two_frames, DitherMethod::ordered)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run_ordered, bayer_two_frames, DitherMethod::bayer)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run_stable, stable_changed_everywhere, Second::everywhere)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run_stable, stable_changed_patch, Second::patch)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
