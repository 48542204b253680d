// The sheet and the animation of a QFB file (see qfb_jobs.h).
#include <cinttypes>
#include <cstdio>
#include <string>

#include "info_texts.h"
#include "qfb_jobs.h"

namespace {

// The refusal (a limit, or a taken name): printed, and true.
bool refused(PictureLimit limit, const qfb_header& h, const SheetLayout* sheet, const char* out, bool force)
{
    switch (limit) {
    case PictureLimit::none: return refuse_taken(out, force);
    case PictureLimit::sheet_pixels:
        say(InfoText::sheet_too_large, static_cast<long long>(sheet->width), static_cast<long long>(sheet->height),
            static_cast<unsigned long long>(SHEET_MAX_PIXELS));
        break;
    case PictureLimit::animation_side: say(InfoText::animation_side, h.width, h.height, ANIMATION_MAX_SIDE); break;
    case PictureLimit::animation_frame_pixels:
        say(InfoText::animation_frame_pixels, h.width, h.height, static_cast<unsigned long long>(ANIMATION_MAX_FRAME_PIXELS));
        break;
    case PictureLimit::animation_frames: say(InfoText::animation_frames, h.frame_count, ANIMATION_MAX_FRAMES); break;
    case PictureLimit::animation_pixels:
        say(InfoText::animation_pixels, h.frame_count, h.width, h.height, static_cast<unsigned long long>(ANIMATION_MAX_PIXELS));
        break;
    }
    return true;
}

}  // namespace

int make_sheet(const char* qfb_name, const QfbCheck& check, const char* out, bool force)
{
    const SheetLayout layout = lay_out_sheet(check.file);
    const qfb_header& h = check.file.header;
    if (refused(sheet_limit(layout), h, &layout, out, force)) return 1;
    say(InfoText::sheet_creating, out, static_cast<long long>(layout.width), static_cast<long long>(layout.height),
        h.frame_count, h.frame_count == 1 ? "" : "s", static_cast<long long>(layout.columns),
        layout.columns == 1 ? "" : "s", layout.scale);
    const WriteStatus result = write_sheet_png(out, check.file, layout, rows_of(check));
    if (result != WriteStatus::ok) return print_unwritable(qfb_name, "PNG", out, result);
    say(InfoText::sheet_complete);
    return 0;
}

int make_animation(const char* qfb_name, const QfbCheck& check, const char* out, bool force)
{
    const qfb_header& h = check.file.header;
    if (refused(animation_limit(h), h, nullptr, out, force)) return 1;
    say(InfoText::animation_creating, out, h.width, h.height,
                h.frame_count, h.frame_count == 1 ? "" : "s", frame_duration_ms(h.fps));
    const WriteStatus result = write_webp_animation(out, check.file, rows_of(check));
    if (result != WriteStatus::ok) return print_unwritable(qfb_name, "WebP", out, result);
    say(InfoText::animation_complete);
    return 0;
}
