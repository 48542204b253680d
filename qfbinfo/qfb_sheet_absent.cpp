// The sheet where qfbinfo is built without a PNG encoder (see qfb_jobs.h): refused with one line,
// before anything is written.
#include <cstdio>

#include "qfb_jobs.h"

int make_sheet(const char*, const QfbCheck&, const char* out, bool)
{
    std::printf("Couldn't write PNG file %s: this qfbinfo is built without libspng and makes no sheet.\n", out);
    return 1;
}
