// The sheet and the animation of a QFB file (see qfb_pictures.h).
#include "qfbinfo/qfb_pictures.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#include "preview/sheet.h"
#include "preview/sheet_layout.h"
#include "preview/webp_animation.h"
#include "qfbinfo/output_guard.h"
#include "qfbinfo/qfb_rows.h"

namespace {

// The row source for the pictures: the file's stream, read in walk order.
LevelRowSource stream_rows(QfbRows& rows)
{
    return [&rows](const qfb_level& level, int32_t row, uint8_t* words) { return rows.read(level, row, words); };
}

// Prints the message of a failed write and returns 1.
int report_failure(const char* qfb_name, const char* kind, const char* out, PictureResult result)
{
    if (result == PictureResult::source_failed)
        std::printf("Couldn't read QFB file %s: its pixels could not be read to the end.\n", qfb_name);
    else
        std::printf("Couldn't write %s file %s: %s.\n", kind, out, picture_result_text(result));
    return 1;
}

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

int make_sheet(const char* qfb_name, BinaryFile& file, const QfbCheck& check, const char* out, bool force)
{
    const SheetLayout layout = lay_out_sheet(check.file);
    if (refused(sheet_refusal(layout), out, force)) return 1;
    const qfb_header& h = check.file.header;
    std::printf("%s:  Creating a %" PRId64 " x %" PRId64 " sheet of %d frame%s in %" PRId64 " column%s, scale %d.\n",
                out, layout.width, layout.height, h.frame_count, h.frame_count == 1 ? "" : "s", layout.columns,
                layout.columns == 1 ? "" : "s", layout.scale);
    QfbRows rows(file);
    const PictureResult result = write_sheet_png(out, check.file, layout, stream_rows(rows));
    if (result != PictureResult::ok) return report_failure(qfb_name, "PNG", out, result);
    std::printf("Sheet complete.\n");
    return 0;
}

int make_animation(const char* qfb_name, BinaryFile& file, const QfbCheck& check, const char* out, bool force)
{
    const qfb_header& h = check.file.header;
    if (refused(animation_refusal(h), out, force)) return 1;
    std::printf("%s:  Creating a %d x %d animation of %d frame%s, %d ms each, looping.\n", out, h.width, h.height,
                h.frame_count, h.frame_count == 1 ? "" : "s", frame_duration_ms(h.fps));
    QfbRows rows(file);
    const PictureResult result = write_webp_animation(out, check.file, stream_rows(rows));
    if (result != PictureResult::ok) return report_failure(qfb_name, "WebP", out, result);
    std::printf("Animation complete.\n");
    return 0;
}
