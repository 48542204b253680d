// One whole run: argument checks, frame-set discovery and its report, then the conversion run.
#include "driver/makeqfb_main.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "driver/command_line.h"
#include "driver/conversion_run.h"
#include "driver/frame_names.h"

static void print_frame_set(int32_t frame_count, int32_t mipmap_count)
{
    std::printf("%d frame", frame_count);
    if (frame_count != 1) std::printf("s");
    std::printf(", %d mipmap", mipmap_count);
    if (mipmap_count != 1) std::printf("s");
    std::printf(" per frame\n");
}

int makeqfb_main(int argc, char** argv)
{
    if (argc != 4) {
        print_usage();
        return 1;
    }
    const char* format_arg = argv[1];
    const char* fps_arg = argv[2];
    const char* base = argv[3];

    PixelFormat format = FORMAT_1555;
    if (!parse_format(format_arg, &format)) {
        std::printf("Unknown format parameter: %s.  Must be 1555, 4444, or 565.\n", format_arg);
        return 1;
    }
    const int32_t fps = parse_fps(fps_arg);
    if (fps <= 0) {
        std::printf("Bad fps: %s.  Must be an integer greater than zero.\n", fps_arg);
        return 1;
    }
    if (std::strrchr(base, '.') == nullptr) {
        std::printf("Input file doesn't have an extension: %s\n", base);
        return 1;
    }

    int32_t frame_count = 0;
    int32_t mipmap_count = 0;
    int32_t first_frame = SINGLE_IMAGE;
    const FrameSetResult found = find_frames(base, &frame_count, &mipmap_count, &first_frame);
    if (found == FrameSetResult::name_too_long) {
        print_names_too_long(base);
        return 1;
    }
    if (frame_count == 0) {
        print_nothing_found();
        return 1;
    }
    if (found == FrameSetResult::mipmap_mismatch) {
        std::printf("All frames don't have the same number of mipmaps.\n");
        return 1;
    }
    print_frame_set(frame_count, mipmap_count);
    return run_conversion(format, fps, FrameSet{base, frame_count, mipmap_count, first_frame});
}
