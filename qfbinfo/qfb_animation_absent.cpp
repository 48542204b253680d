// The animation where qfbinfo is built without libwebp (see qfb_jobs.h; the Windows build, since
// Debian has no libwebp for MinGW-w64): refused with one line, before anything is written.
#include "info_texts.h"
#include "qfb_jobs.h"

int make_animation(const char*, const QfbCheck&, const char* out, bool)
{
    say(InfoText::no_animations, out);
    return 1;
}
