// The contact sheet of a QFB file (see qfb_jobs.h), written as PNG through libspng or, on
// Windows, the Windows Imaging Component.
#include <cinttypes>
#include <cstdio>

#include "qfb_jobs.h"

int make_sheet(const char* qfb_name, const QfbCheck& check, const char* out, bool force)
{
    const SheetLayout layout = lay_out_sheet(check.file);
    if (refuse_picture(sheet_refusal(layout), out, force)) return 1;
    const qfb_header& h = check.file.header;
    std::printf("%s:  Creating a %" PRId64 " x %" PRId64 " sheet of %d frame%s in %" PRId64 " column%s, scale %d.\n",
                out, layout.width, layout.height, h.frame_count, h.frame_count == 1 ? "" : "s", layout.columns,
                layout.columns == 1 ? "" : "s", layout.scale);
    const WriteStatus result = write_sheet_png(out, check.file, layout, rows_of(check));
    if (result != WriteStatus::ok) return print_unwritable(qfb_name, "PNG", out, result);
    std::printf("Sheet complete.\n");
    return 0;
}
