// make_frame_set: writes a numbered frame set of synthetic Targa files for the whole-run
// benchmarks, DIR/STEM-0001.tga upwards (with mips=N, also each frame's N reduced levels
// DIR/STEM-a0001.tga, DIR/STEM-b0001.tga, ...), and prints the base filename to give makeqfb.
// Every frame's pixels differ from the frame before's everywhere, unless moving=N: then every
// frame shows the first frame's pixels but for an N x N square of its own, which moves
// MOVING_STEP pixels to the right each frame (an animation over a still background).
//   make_frame_set DIR STEM FRAMES WIDTH HEIGHT BITS [rle] [top] [mips=N] [moving=N]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/targa_maker.h"

namespace {

// Targa sizes are 16-bit fields, and the frame number has at most four digits here.
constexpr long MAX_SIDE = 32767;
constexpr long MAX_FRAMES = 9999;
// Level letters run from 'a'; the benchmarks need a few levels, never past 'z'.
constexpr long MAX_MIPS = 26;
// How far the moving square goes each frame: far enough that most of it is new.
constexpr int32_t MOVING_STEP = 48;

bool parse(const char* text, long low, long high, long* value)
{
    char* end = nullptr;
    *value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && *value >= low && *value <= high;
}

}  // namespace

int main(int argc, char** argv)
{
    long frames = 0, width = 0, height = 0, bits = 0, mips = 0, moving = 0;
    if (argc < 7 || !parse(argv[3], 1, MAX_FRAMES, &frames) || !parse(argv[4], 1, MAX_SIDE, &width) ||
        !parse(argv[5], 1, MAX_SIDE, &height) || !parse(argv[6], 24, 32, &bits) || (bits != 24 && bits != 32)) {
        std::printf("usage: make_frame_set DIR STEM FRAMES WIDTH HEIGHT 24|32 [rle] [top] [mips=N] [moving=N]\n");
        return 1;
    }
    qfbbench::TargaShape shape{static_cast<int32_t>(width), static_cast<int32_t>(height), static_cast<int32_t>(bits),
                               false, false};
    for (int i = 7; i < argc; ++i) {
        if (std::strcmp(argv[i], "rle") == 0) shape.rle = true;
        else if (std::strcmp(argv[i], "top") == 0) shape.top_first = true;
        else if (std::strncmp(argv[i], "mips=", 5) == 0 && parse(argv[i] + 5, 0, MAX_MIPS, &mips)) continue;
        else if (std::strncmp(argv[i], "moving=", 7) == 0 && parse(argv[i] + 7, 1, MAX_SIDE, &moving)) continue;
        else {
            std::printf("unknown option: %s\n", argv[i]);
            return 1;
        }
    }
    const std::string stem = std::string(argv[1]) + "/" + argv[2];
    for (long frame = 1; frame <= frames; ++frame) {
        qfbbench::TargaShape level = shape;
        for (long mip = 0; mip <= mips; ++mip) {
            char number[40];  // "-", a level letter, up to 19 digits of a long, ".tga"
            if (mip == 0) std::snprintf(number, sizeof number, "-%04ld.tga", frame);
            else std::snprintf(number, sizeof number, "-%c%04ld.tga", static_cast<char>('a' + mip - 1), frame);
            qfbbench::Bytes pixels = qfbbench::make_pixels(level, static_cast<uint32_t>(moving > 0 ? 1 : frame));
            if (moving > 0 && frame > 1) {
                // The square, at its place in this frame, from the frame's own pixels.
                const qfbbench::Bytes own = qfbbench::make_pixels(level, static_cast<uint32_t>(frame));
                const long side = std::min(moving >> mip, static_cast<long>(std::min(level.width, level.height)));
                const long room = level.width - side + 1;
                const long x0 = ((frame - 1) * (MOVING_STEP >> mip)) % room, y0 = (level.height - side) / 2;
                const size_t bpp = static_cast<size_t>(level.bits / 8), row = static_cast<size_t>(level.width) * bpp;
                for (long y = y0; y < y0 + side; ++y) {
                    const size_t at = static_cast<size_t>(y) * row + static_cast<size_t>(x0) * bpp;
                    std::memcpy(pixels.data() + at, own.data() + at, static_cast<size_t>(side) * bpp);
                }
            }
            if (!qfbbench::write_file(stem + number, qfbbench::encode_targa(level, pixels))) {
                std::printf("cannot write %s%s\n", stem.c_str(), number);
                return 1;
            }
            level.width /= 2;  // each level is half the one above, rounded down
            level.height /= 2;
        }
    }
    std::printf("%s.tga\n", stem.c_str());
    return 0;
}
