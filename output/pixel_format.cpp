// Names of the pixel layouts (see pixel_format.h).
#include "output/pixel_format.h"

const char* pixel_format_name(PixelFormat format)
{
    switch (format) {
    case FORMAT_1555: return "1555";
    case FORMAT_4444: return "4444";
    case FORMAT_565: return "565";
    }
    return nullptr;
}
