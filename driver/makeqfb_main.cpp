// One whole run: argument checks, frame-set discovery and its report, then the conversion run.
#include "makeqfb_main.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "cli.h"
#include "command_line.h"
#include "conversion_run.h"
#include "discovery.h"

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
        say_unknown_format(format_arg);
        return 1;
    }
    const int32_t fps = parse_fps(fps_arg);
    if (fps <= 0) {
        std::printf("Bad fps: %s.  Must be an integer greater than zero.\n", fps_arg);
        return 1;
    }
    if (std::strrchr(base, '.') == nullptr) {
        say_no_extension(base);
        return 1;
    }

    FrameSet set;
    switch (find_frames(base, set)) {
    case FindResult::names_too_long: say_names_too_long(base); return 1;
    case FindResult::nothing_found: say_nothing_found(); return 1;
    case FindResult::mipmap_mismatch: std::printf("All frames don't have the same number of mipmaps.\n"); return 1;
    case FindResult::found: break;
    }
    print_frame_set(set.frame_count(), set.mipmap_count());
    return run_conversion(format, fps, set);
}
