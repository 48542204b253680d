// The sheet and the animation of a QFB file (see qfb_jobs.h).
#include <cinttypes>
#include <cstdio>
#include <string>

#include "qfb_jobs.h"

namespace {

// The refusal (a limit, or a taken name): printed, and true.
bool refused(const std::string& limit, const char* out, bool force)
{
    if (!limit.empty()) {
        std::printf("%s\n", limit.c_str());
        return true;
    }
    return refuse_taken(out, force);
}

}  // namespace

int make_sheet(const char* qfb_name, const QfbCheck& check, const char* out, bool force)
{
    const SheetLayout layout = lay_out_sheet(check.file);
    if (refused(sheet_refusal(layout), out, force)) return 1;
    const qfb_header& h = check.file.header;
    std::printf("%s:  Creating a %" PRId64 " x %" PRId64 " sheet of %d frame%s in %" PRId64 " column%s, scale %d.\n",
                out, layout.width, layout.height, h.frame_count, h.frame_count == 1 ? "" : "s", layout.columns,
                layout.columns == 1 ? "" : "s", layout.scale);
    const WriteStatus result = write_sheet_png(out, check.file, layout, rows_of(check));
    if (result != WriteStatus::ok) return print_unwritable(qfb_name, "PNG", out, result);
    std::printf("Sheet complete.\n");
    return 0;
}

int make_animation(const char* qfb_name, const QfbCheck& check, const char* out, bool force)
{
    const qfb_header& h = check.file.header;
    if (refused(animation_refusal(h), out, force)) return 1;
    std::printf("%s:  Creating a %d x %d animation of %d frame%s, %d ms each, looping.\n", out, h.width, h.height,
                h.frame_count, h.frame_count == 1 ? "" : "s", frame_duration_ms(h.fps));
    const WriteStatus result = write_webp_animation(out, check.file, rows_of(check));
    if (result != WriteStatus::ok) return print_unwritable(qfb_name, "WebP", out, result);
    std::printf("Animation complete.\n");
    return 0;
}
