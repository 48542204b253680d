// Throughput of read_targa, in pixels per second, on 1024 x 512 files stored bottom-up:
// uncompressed and run-length encoded, at 24 and 32 bits (one top-down file for comparison).
// For the uncompressed files also two ways to a converted image: read_targa and a whole-image
// conversion, against the frame loop's: the file opened once and converted row by row in place.
// The files are written to a temporary folder when the program starts and removed at the end;
// after the first iteration they are in the page cache, so this times the loader, not the disk.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/targa_maker.h"
#include "files.h"
#include "output.h"
#include "targa.h"

namespace {

constexpr int32_t WIDTH = 1024;
constexpr int32_t HEIGHT = 512;

struct LoaderCase {
    const char* name;
    qfbbench::TargaShape shape;
};

const LoaderCase cases[] = {
    {"raw_24_bottom_up", {WIDTH, HEIGHT, 24, false, false}},
    {"raw_32_bottom_up", {WIDTH, HEIGHT, 32, false, false}},
    {"rle_24_bottom_up", {WIDTH, HEIGHT, 24, true, false}},
    {"rle_32_bottom_up", {WIDTH, HEIGHT, 32, true, false}},
    {"raw_32_top_down", {WIDTH, HEIGHT, 32, false, true}},
};

void load(benchmark::State& state, const std::string& path, const qfbbench::TargaShape& shape)
{
    const size_t bytes = size_t{static_cast<uint32_t>(shape.width)} * static_cast<uint32_t>(shape.height) *
                         static_cast<size_t>(shape.bits / 8);
    std::vector<uint8_t> dest(bytes);
    for (auto _ : state) {
        if (read_targa(path.c_str(), dest.data(), dest.size(), nullptr) != 0) {
            state.SkipWithError("read_targa refused the file");
            break;
        }
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * shape.width * shape.height);
}

// The converter each depth is benchmarked with, as in run_vs_cat.sh.
const PixelConverter& converter_for(int32_t bits)
{
    return *select_converter(bits, bits == 24 ? FORMAT_565 : FORMAT_4444);
}

void read_and_convert(benchmark::State& state, const std::string& path, const qfbbench::TargaShape& shape)
{
    const size_t pixels = size_t{static_cast<uint32_t>(shape.width)} * static_cast<uint32_t>(shape.height);
    std::vector<uint8_t> loaded(pixels * static_cast<size_t>(shape.bits / 8));
    std::vector<uint16_t> words(pixels);
    const PixelConverter& converter = converter_for(shape.bits);
    for (auto _ : state) {
        if (read_targa(path.c_str(), loaded.data(), loaded.size(), nullptr) != 0) {
            state.SkipWithError("read_targa refused the file");
            break;
        }
        converter.convert(loaded.data(), words.data(), pixels);
        benchmark::DoNotOptimize(words.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * shape.width * shape.height);
}

struct RowTarget {
    const PixelConverter* converter;
    uint16_t* words;
    size_t width;
};

void convert_row(const uint8_t* row, int32_t top_row, void* context)
{
    const RowTarget& target = *static_cast<const RowTarget*>(context);
    target.converter->convert(row, target.words + static_cast<size_t>(top_row) * target.width, target.width);
}

void map_and_convert(benchmark::State& state, const std::string& path, const qfbbench::TargaShape& shape)
{
    const size_t pixels = size_t{static_cast<uint32_t>(shape.width)} * static_cast<uint32_t>(shape.height);
    std::vector<uint16_t> words(pixels);
    RowTarget target{&converter_for(shape.bits), words.data(), static_cast<size_t>(shape.width)};
    for (auto _ : state) {
        TargaFile file;
        if (file.open(path.c_str()) != TargaError::none ||
            file.locate(pixels * static_cast<size_t>(shape.bits / 8)) != TargaError::none ||
            file.visit_rows(convert_row, &target) != TargaError::none) {
            state.SkipWithError("the file could not be mapped");
            break;
        }
        benchmark::DoNotOptimize(words.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * shape.width * shape.height);
}

}  // namespace

int main(int argc, char** argv)
{
    install_fault_guard();  // files are mapped, as in the tools
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/loader_bench.XXXXXX";
    if (mkdtemp(&folder[0]) == nullptr) {
        std::printf("cannot make a temporary folder\n");
        return 1;
    }
    std::vector<std::string> paths;
    bool written = true;
    for (const LoaderCase& c : cases) {
        paths.push_back(folder + "/" + c.name + ".tga");
        written = written && qfbbench::write_file(paths.back(), qfbbench::encode_targa(c.shape, qfbbench::make_pixels(c.shape, 7)));
        benchmark::RegisterBenchmark(c.name, load, paths.back(), c.shape);
        if (c.shape.rle) continue;
        benchmark::RegisterBenchmark((std::string(c.name) + "/read_and_convert").c_str(), read_and_convert,
                                     paths.back(), c.shape);
        benchmark::RegisterBenchmark((std::string(c.name) + "/map_and_convert").c_str(), map_and_convert,
                                     paths.back(), c.shape);
    }
    int status = 1;
    if (written) {
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        status = 0;
    } else {
        std::printf("cannot write the Targa files in %s\n", folder.c_str());
    }
    for (const std::string& path : paths) std::remove(path.c_str());
    rmdir(folder.c_str());
    return status;
}
