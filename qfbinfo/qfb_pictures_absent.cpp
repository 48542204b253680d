// The sheet and the animation where qfbinfo is built without libspng and libwebp (see qfb_jobs.h):
// each is refused with one line, before anything is written.
#include <cstdio>

#include "qfb_jobs.h"

int make_sheet(const char*, const QfbCheck&, const char* out, bool)
{
    std::printf("Couldn't write PNG file %s: this qfbinfo is built without libspng and makes no sheet.\n", out);
    return 1;
}

int make_animation(const char*, const QfbCheck&, const char* out, bool)
{
    std::printf("Couldn't write WebP file %s: this qfbinfo is built without libwebp and makes no animation.\n", out);
    return 1;
}
