// The QFB file check, its messages, the message of a failed write, and the guard of taken names (see
// qfb_jobs.h).
#include <cinttypes>
#include <cstdio>

#include "platform.h"
#include "qfb_jobs.h"

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
    std::printf("Couldn't read QFB file %s: ", name);
    const qfb_header& h = c.file.header;
    const qfb_status status = c.file.status;
    if (c.problem == QfbProblem::cannot_open) {
        std::printf("it can't be opened");
    } else if (c.problem == QfbProblem::read_failed) {
        std::printf("it can't be read (is it a folder?)");
    } else if (status == QFB_TOO_SHORT) {
        std::printf("%s (%" PRIu64 " bytes)", qfb_status_text(status), c.file_size);
    } else if (status == QFB_SIDE_TOO_LARGE) {
        std::printf("%d x %d is larger than %d pixels on a side", h.width, h.height, QFB_MAX_SIDE);
    } else if (status == QFB_TOO_MANY_MIPMAPS) {
        std::printf("%d mipmaps per frame, more than the %d the naming convention can name", h.mipmap_count,
                    QFB_MAX_MIPMAPS);
    } else if (status == QFB_TOO_MANY_FRAMES) {
        std::printf("%d frames, more than the %d a QFB file can hold", h.frame_count, QFB_MAX_FRAMES);
    } else if (status == QFB_CUT_SHORT) {
        std::printf("it is cut short: %" PRIu64 " bytes, but its header calls for %" PRIu64, c.file_size, c.file.size);
    } else if (status == QFB_EXTRA_BYTES) {
        const uint64_t extra = c.file_size - c.file.size;
        std::printf("%" PRIu64 " byte%s after the last level: %" PRIu64 " bytes, but its header calls for %" PRIu64,
                    extra, extra == 1 ? "" : "s", c.file_size, c.file.size);
    } else {
        std::printf("%s", qfb_status_text(status));
    }
    std::printf(".\n");
}

void print_pixels_unreadable(const char* name)
{
    std::printf("Couldn't read QFB file %s: its pixels could not be read to the end.\n", name);
}

int print_unwritable(const char* qfb_name, const char* kind, const char* name, WriteStatus result)
{
    if (result == WriteStatus::source_failed)
        print_pixels_unreadable(qfb_name);
    else
        std::printf("Couldn't write %s file %s: %s.\n", kind, name, write_failure_text(result).c_str());
    return 1;
}

bool refuse_picture(const std::string& limit, const char* out, bool force)
{
    if (!limit.empty()) {
        std::printf("%s\n", limit.c_str());
        return true;
    }
    return refuse_taken(out, force);
}

bool refuse_taken(const char* name, bool force)
{
    platform::FileInfo info;
    if (!platform::info_of_link(name, &info)) return false;
    if (force && info.link) platform::remove_file(name);
    if (force) return false;
    std::printf("File already exists: %s (--force replaces it).\n", name);
    return true;
}
