// The command line: usage text, format and fps arguments (see command_line.h).
#include "command_line.h"

#include <cstdint>
#include <cstdlib>

#include "cli.h"

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

bool parse_format(const char* text, PixelFormat* format)
{
    const int32_t code = qfb_format_code(text);
    if (code < 0) return false;
    *format = static_cast<PixelFormat>(code);
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
