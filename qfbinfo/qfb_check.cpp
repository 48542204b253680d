// The QFB file check (see qfb_check.h).
#include "qfbinfo/qfb_check.h"

#include <cinttypes>
#include <cstdio>

QfbCheck check_qfb_header_bytes(const uint8_t* bytes, size_t available, uint64_t file_size)
{
    QfbCheck check;
    check.file_size = file_size;
    check.header_status = decode_qfb_header(bytes, available, &check.header);
    if (check.header_status != QfbHeaderStatus::ok) {
        check.problem = QfbProblem::bad_header;
        return check;
    }
    const QfbHeader& h = check.header;
    if (h.width > QFBINFO_MAX_SIDE || h.height > QFBINFO_MAX_SIDE) {
        check.problem = QfbProblem::side_too_large;
    } else if (h.mipmap_count > QFBINFO_MAX_MIPMAPS) {
        check.problem = QfbProblem::too_many_mipmaps;
    } else if (h.frame_count > QFBINFO_MAX_FRAMES) {
        check.problem = QfbProblem::too_many_frames;
    } else if (!qfb_file_size(h.width, h.height, h.frame_count, h.mipmap_count, &check.expected_size)) {
        check.problem = QfbProblem::size_overflow;
    } else if (file_size < check.expected_size) {
        check.problem = QfbProblem::cut_short;
    } else if (file_size > check.expected_size) {
        check.problem = QfbProblem::extra_bytes;
    }
    return check;
}

QfbCheck check_qfb_file(const char* name, BinaryFile& file)
{
    QfbCheck failed;
    if (file.open(name, BinaryFile::READ) != 0) {
        failed.problem = QfbProblem::cannot_open;
        return failed;
    }
    const long length = file.length();
    uint8_t header[QFB_HEADER_SIZE] = {};
    // Only the bytes the file has are read: a short file is a short header, not a read error.
    const size_t available = length < 0 ? 0 : (static_cast<uint64_t>(length) < QFB_HEADER_SIZE ? static_cast<size_t>(length) : QFB_HEADER_SIZE);
    file.read(header, static_cast<int32_t>(available));
    if (length < 0 || file.has_error() != 0 || file.tell() != static_cast<long>(available)) {
        file.close();
        failed.problem = QfbProblem::read_failed;
        return failed;
    }
    const QfbCheck check = check_qfb_header_bytes(header, available, static_cast<uint64_t>(length));
    if (check.problem != QfbProblem::none) file.close();
    return check;
}

void print_qfb_problem(const char* name, const QfbCheck& c)
{
    std::printf("Couldn't read QFB file %s: ", name);
    const QfbHeader& h = c.header;
    switch (c.problem) {
    case QfbProblem::none: std::printf("it is a sound QFB file"); break;
    case QfbProblem::cannot_open: std::printf("it can't be opened"); break;
    case QfbProblem::read_failed: std::printf("it can't be read (is it a folder?)"); break;
    case QfbProblem::bad_header:
        std::printf("%s", qfb_header_status_text(c.header_status));
        if (c.header_status == QfbHeaderStatus::too_short) std::printf(" (%" PRIu64 " bytes)", c.file_size);
        break;
    case QfbProblem::side_too_large:
        std::printf("%d x %d is larger than %d pixels on a side", h.width, h.height, QFBINFO_MAX_SIDE);
        break;
    case QfbProblem::too_many_mipmaps:
        std::printf("%d mipmaps per frame, more than the %d the naming convention can name", h.mipmap_count,
                    QFBINFO_MAX_MIPMAPS);
        break;
    case QfbProblem::too_many_frames:
        std::printf("%d frames, more than the %d a QFB file can hold", h.frame_count, QFBINFO_MAX_FRAMES);
        break;
    case QfbProblem::size_overflow: std::printf("its header describes more than 2^64 bytes"); break;
    case QfbProblem::cut_short:
        std::printf("it is cut short: %" PRIu64 " bytes, but its header calls for %" PRIu64, c.file_size,
                    c.expected_size);
        break;
    case QfbProblem::extra_bytes:
        std::printf("%" PRIu64 " byte%s after the last level: %" PRIu64 " bytes, but its header calls for %" PRIu64,
                    c.file_size - c.expected_size, c.file_size - c.expected_size == 1 ? "" : "s", c.file_size,
                    c.expected_size);
        break;
    }
    std::printf(".\n");
}
