// makeqfb's command line: the usage text, the format and fps arguments, the base filename's
// extension, the frame set's discovery and its report, then the conversion run.
#include "makeqfb_main.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli.h"
#include "conversion_run.h"
#include "frameset.h"
#include "makeqfb_texts.h"

QFB_MESSAGE_FUNCTIONS(MakeqfbText, MAKEQFB_TEXTS)

namespace {

void print_usage()
{
    print_usage_banner("makeqfb - Make a QFB(\"Quillfer Bitmap file\") file out of one or\n"
                       "          more Targa files.\n"
                       "usage:    makeqfb <output format> <fps> <base filename>\n",
                       "The format parameter must be 1555, 4444, or 565 (all ARGB).\n"
                       "\nThe base filename must be given with an extension, but without mipmap or\n"
                       "frame information.\n"
                       "\nFor example, a base filename of test.tga will automatically pull in\n"
                       "test-0001.tga, test-0002.tga, and so on.  Mipmaps are specified by\n"
                       "putting a letter before the frame number:  test-a0001.tga,\n"
                       "test-b0001.tga, etc.  The first frame can be 0000 or 0001.\n"
                       "\nFor single frame bitmaps, mipmaps can still be specified:  test-a.tga\n"
                       "\nReport bugs to Zandrow, please.\n");
}

// Decimal integer in the manner of strtol base 10 (leading space and sign accepted, conversion
// stops at the first non-digit, no digits give 0), saturated to the signed 32-bit range: strtol
// saturates to the range of long, and a 64-bit long needs a second clamp.
int32_t parse_fps(const char* text)
{
    const long value = std::strtol(text, nullptr, 10);
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<int32_t>(value);
}

void print_frame_set(int32_t frame_count, int32_t mipmap_count)
{
    say(MakeqfbText::frame_set, frame_count, frame_count == 1 ? "" : "s", mipmap_count,
                mipmap_count == 1 ? "" : "s");
}

}  // namespace

int makeqfb_main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        print_usage();
        return 0;
    }
    if (argc != 4) {
        print_usage();
        return 1;
    }
    const char* format_arg = argv[1];
    const char* fps_arg = argv[2];
    const char* base = argv[3];

    // "1555", "4444" or "565", compared exactly.
    const int32_t format = qfb_format_code(format_arg);
    if (format < 0) {
        say_unknown_format(format_arg);
        return 1;
    }
    const int32_t fps = parse_fps(fps_arg);
    if (fps <= 0) {
        say_bad_fps(fps_arg);
        return 1;
    }
    if (say_if_folder(base)) return 1;
    if (std::strrchr(base, '.') == nullptr) {
        say_no_extension(base);
        return 1;
    }

    FrameSet set;
    switch (find_frames(base, set)) {
    case FindResult::names_too_long: say_names_too_long(base); return 1;
    case FindResult::nothing_found:
        say_nothing_found();
        say_short_frame_number(base);
        return 1;
    case FindResult::mipmap_mismatch: say_mipmap_mismatch(); return 1;
    case FindResult::found: break;
    }
    print_frame_set(set.frame_count(), set.mipmap_count());
    return run_conversion(static_cast<PixelFormat>(format), fps, set);
}
