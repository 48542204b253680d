// The command line: usage text, format and fps arguments (see command_line.h).
#include "driver/command_line.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void print_usage()
{
    std::printf("==========================================================================\n");
    std::printf("makeqfb - Make a QFB(\"Quillfer Bitmap file\") file out of one or\n");
    std::printf("          more Targa files.\n");
    std::printf("usage:    makeqfb <output format> <fps> <base filename>\n");
    std::printf("--------------------------------------------------------------------------\n");
    std::printf("The format parameter must be 1555, 4444, or 565 (all ARGB).\n");
    std::printf("\nThe base filename must be given with an extension, but without mipmap or\n");
    std::printf("frame information.\n");
    std::printf("\nFor example, a base filename of test.tga will automatically pull in\n");
    std::printf("test-0001.tga, test-0002.tga, and so on.  Mipmaps are specified by\n");
    std::printf("putting a letter before the frame number:  test-a0001.tga,\n");
    std::printf("test-b0001.tga, etc.  The first frame can be 0000 or 0001.\n");
    std::printf("\nFor single frame bitmaps, mipmaps can still be specified:  test-a.tga\n");
    std::printf("\nReport bugs to Zandrow, please.\n");
    std::printf("==========================================================================\n");
}

bool parse_format(const char* text, PixelFormat* format)
{
    if (std::strcmp(text, "1555") == 0) {
        *format = FORMAT_1555;
    } else if (std::strcmp(text, "4444") == 0) {
        *format = FORMAT_4444;
    } else if (std::strcmp(text, "565") == 0) {
        *format = FORMAT_565;
    } else {
        return false;
    }
    return true;
}

int32_t parse_fps(const char* text)
{
    // strtol saturates to the range of long; a 64-bit long needs a second clamp to 32 bits.
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}
