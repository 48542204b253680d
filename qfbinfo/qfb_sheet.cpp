// The contact sheet of a QFB file (see qfb_jobs.h), written as PNG through libspng or, on
// Windows, the Windows Imaging Component.
#include "info_texts.h"
#include "qfb_jobs.h"

int make_sheet(const char* qfb_name, const QfbCheck& check, const char* out, bool force)
{
    const SheetLayout layout = lay_out_sheet(check.file);
    const qfb_header& h = check.file.header;
    if (refuse_picture(sheet_limit(layout), h, &layout, out, force)) return 1;
    say(InfoText::sheet_creating, out, static_cast<long long>(layout.width), static_cast<long long>(layout.height),
        h.frame_count, h.frame_count == 1 ? "" : "s", static_cast<long long>(layout.columns),
        layout.columns == 1 ? "" : "s", layout.scale);
    const WriteStatus result = write_sheet_png(out, check.file, layout, rows_of(check));
    if (result != WriteStatus::ok) return print_unwritable(qfb_name, "PNG", out, result);
    say(InfoText::sheet_complete);
    return 0;
}
