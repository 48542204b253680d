// The animation of a QFB file as animated WebP through libwebp (see qfb_jobs.h).
#include "info_texts.h"
#include "qfb_jobs.h"

int make_animation(const char* qfb_name, const QfbCheck& check, const char* out, bool force)
{
    const qfb_header& h = check.file.header;
    if (refuse_picture(animation_limit(h), h, nullptr, out, force)) return 1;
    say(InfoText::animation_creating, out, h.width, h.height, h.frame_count, h.frame_count == 1 ? "" : "s",
        frame_duration_ms(h.fps));
    const WriteStatus result = write_webp_animation(out, check.file, rows_of(check));
    if (result != WriteStatus::ok) return print_unwritable(qfb_name, "WebP", out, result);
    say(InfoText::animation_complete);
    return 0;
}
