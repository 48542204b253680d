// Throughput of the five pixel converters on one 1024 x 512 image, in pixels per second.
// The source is random bytes; the destination is the size of one converted level.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/quiet_stdout.h"
#include "output.h"

namespace {

constexpr int32_t WIDTH = 1024;
constexpr int32_t HEIGHT = 512;
constexpr size_t PIXELS = size_t{WIDTH} * HEIGHT;

using Converter = void (*)(const uint8_t*, uint16_t*, int32_t, int32_t);

void run_converter(benchmark::State& state, Converter convert, int bytes_per_pixel)
{
    std::vector<uint8_t> source(PIXELS * static_cast<size_t>(bytes_per_pixel));
    uint32_t seed = 12345;
    for (uint8_t& byte : source) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(seed >> 16);
    }
    std::vector<uint16_t> dest(PIXELS);
    qfbbench::QuietStdout quiet;  // each call prints its one-line notice
    for (auto _ : state) {
        convert(source.data(), dest.data(), WIDTH, HEIGHT);
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(PIXELS));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(source.size()));
}

}  // namespace

BENCHMARK_CAPTURE(run_converter, 1555_from_24, create_1555_from_24, 3);
BENCHMARK_CAPTURE(run_converter, 565_from_24, create_565_from_24, 3);
BENCHMARK_CAPTURE(run_converter, 1555_from_32, create_1555_from_32, 4);
BENCHMARK_CAPTURE(run_converter, 4444_from_32, create_4444_from_32, 4);
BENCHMARK_CAPTURE(run_converter, 565_from_32, create_565_from_32, 4);
