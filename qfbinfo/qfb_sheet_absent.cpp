// The sheet where qfbinfo is built without a PNG encoder (see qfb_jobs.h): refused with one line,
// before anything is written.
#include "info_texts.h"
#include "qfb_jobs.h"

int make_sheet(const char*, const QfbCheck&, const char* out, bool)
{
    say(InfoText::no_sheets, out);
    return 1;
}
