// The sheet and the animation where qfbinfo is built without libspng and libwebp (see qfb_jobs.h):
// each is refused with one line, before anything is written.
#include "qfb_jobs.h"
#include "info_texts.h"

int make_sheet(const char*, const QfbCheck&, const char* out, bool)
{
    say(InfoText::no_sheets, out);
    return 1;
}

int make_animation(const char*, const QfbCheck&, const char* out, bool)
{
    say(InfoText::no_animations, out);
    return 1;
}
