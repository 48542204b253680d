// The animation where qfbinfo is built without libwebp (see qfb_jobs.h; the Windows build, since
// Debian has no libwebp for MinGW-w64): refused with one line, before anything is written.
#include <cstdio>

#include "qfb_jobs.h"

int make_animation(const char*, const QfbCheck&, const char* out, bool)
{
    std::printf("Couldn't write WebP file %s: this qfbinfo is built without libwebp and makes no animation.\n", out);
    return 1;
}
