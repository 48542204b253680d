// The QFB file check, its messages, the message of a failed write, and the guard of taken names (see
// qfb_jobs.h), and the definition of qfbinfo's say and text_of.
#include <string>

#include "cli_texts.h"
#include "info_texts.h"
#include "platform.h"
#include "qfb_jobs.h"

QFB_MESSAGE_FUNCTIONS(InfoText, QFBINFO_TEXTS)

void check_qfb_file(const char* name, QfbCheck& check)
{
    const ReadStatus read = check.bytes.open(name);
    if (read != ReadStatus::ok) {
        check.problem = read == ReadStatus::cannot_open ? QfbProblem::cannot_open : QfbProblem::read_failed;
        return;
    }
    check.file_size = check.bytes.size();
    // Only the bytes the file has are checked: a short file is a short header, not a read error.
    uint8_t header[QFB_HEADER_SIZE] = {};
    const size_t head = check.file_size < QFB_HEADER_SIZE ? static_cast<size_t>(check.file_size) : QFB_HEADER_SIZE;
    if (check.bytes.copy(0, head, header) != ReadStatus::ok) {
        check.problem = QfbProblem::read_failed;
        return;
    }
    if (qfb_check(header, head, check.file_size, &check.file) != QFB_OK) check.problem = QfbProblem::refused;
}

LevelRowSource rows_of(const QfbCheck& check)
{
    return [&check](const qfb_level& level, int32_t row, uint8_t* words) {
        const size_t size = static_cast<size_t>(level.width) * 2;
        return check.bytes.copy(level.offset + static_cast<uint64_t>(row) * size, size, words) == ReadStatus::ok;
    };
}

void print_qfb_problem(const char* name, const QfbCheck& c)
{
    const qfb_header& h = c.file.header;
    const qfb_status status = c.file.status;
    std::string reason;
    if (c.problem == QfbProblem::cannot_open) {
        reason = text_of(InfoText::cannot_open);
    } else if (c.problem == QfbProblem::read_failed) {
        reason = text_of(InfoText::cannot_read);
    } else if (status == QFB_TOO_SHORT) {
        reason = text_of(InfoText::too_short, qfb_status_text(status), static_cast<unsigned long long>(c.file_size));
    } else if (status == QFB_SIDE_TOO_LARGE) {
        reason = text_of(InfoText::side_too_large, h.width, h.height, QFB_MAX_SIDE);
    } else if (status == QFB_TOO_MANY_MIPMAPS) {
        reason = text_of(InfoText::too_many_mipmaps, h.mipmap_count, QFB_MAX_MIPMAPS);
    } else if (status == QFB_TOO_MANY_FRAMES) {
        reason = text_of(InfoText::too_many_frames, h.frame_count, QFB_MAX_FRAMES);
    } else if (status == QFB_CUT_SHORT) {
        reason = text_of(InfoText::cut_short, static_cast<unsigned long long>(c.file_size),
                         static_cast<unsigned long long>(c.file.size));
    } else if (status == QFB_EXTRA_BYTES) {
        const uint64_t extra = c.file_size - c.file.size;
        reason = text_of(InfoText::bytes_after, static_cast<unsigned long long>(extra), extra == 1 ? "" : "s",
                         static_cast<unsigned long long>(c.file_size), static_cast<unsigned long long>(c.file.size));
    } else {
        reason = qfb_status_text(status);
    }
    say(InfoText::unreadable_qfb, name, reason.c_str());
}

void print_pixels_unreadable(const char* name)
{
    say(InfoText::pixels_unreadable, name);
}

int print_unwritable(const char* qfb_name, const char* kind, const char* name, WriteStatus result)
{
    if (result == WriteStatus::source_failed)
        print_pixels_unreadable(qfb_name);
    else
        say(CliText::unwritable, kind, name, write_failure_text(result).c_str());
    return 1;
}

bool refuse_picture(PictureLimit limit, const qfb_header& h, const SheetLayout* sheet, const char* out, bool force)
{
    switch (limit) {
    case PictureLimit::none: return refuse_taken(out, force);
    case PictureLimit::sheet_pixels:
        say(InfoText::sheet_too_large, static_cast<long long>(sheet->width), static_cast<long long>(sheet->height),
            static_cast<unsigned long long>(SHEET_MAX_PIXELS));
        break;
    case PictureLimit::animation_side: say(InfoText::animation_side, h.width, h.height, ANIMATION_MAX_SIDE); break;
    case PictureLimit::animation_frame_pixels:
        say(InfoText::animation_frame_pixels, h.width, h.height,
            static_cast<unsigned long long>(ANIMATION_MAX_FRAME_PIXELS));
        break;
    case PictureLimit::animation_frames: say(InfoText::animation_frames, h.frame_count, ANIMATION_MAX_FRAMES); break;
    case PictureLimit::animation_pixels:
        say(InfoText::animation_pixels, h.frame_count, h.width, h.height,
            static_cast<unsigned long long>(ANIMATION_MAX_PIXELS));
        break;
    }
    return true;
}

bool refuse_taken(const char* name, bool force)
{
    platform::FileInfo info;
    if (!platform::info_of_link(name, &info)) return false;
    if (force && info.link) platform::remove_file(name);
    if (force) return false;
    say(InfoText::file_exists, name);
    return true;
}
