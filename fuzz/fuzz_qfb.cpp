// libFuzzer target for the format library: each input is a whole QFB file in memory, run through
// qfb_parse, the level walk, qfb_get_level, the row access and the expansion. Besides memory
// errors (the input is a buffer of exactly its size, so a read past its end is caught) it stops
// on broken promises: qfb_check on the first bytes and the size gives the parse's verdict; a
// refused file gives access to nothing; an accepted file's walk visits frames x (mipmaps + 1)
// levels that lie end to end from byte 32 to the last byte, each equal to qfb_get_level's, and the
// walk over the levels with pixels, on every input, visits frames x their count, end to end too; each
// level expands into a buffer of exactly its size, the same as row by row, and is refused for a
// buffer one pixel short or a level that is not the file's; the GPU form and each conversion the
// format has fill a buffer of exactly their size and refuse one a word short.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <qfb/qfb.h>

namespace {

// A sound 32-byte file may claim 10^7 empty frames: larger walks stop here so an input stays fast.
constexpr int64_t MAX_WALKED_LEVELS = 4096;

void check(bool promise)
{
    if (!promise) std::abort();
}

void check_level(const qfb_file& file, const qfb_level& level, const uint8_t* data)
{
    check(level.size == uint64_t{2} * static_cast<uint64_t>(level.width) * static_cast<uint64_t>(level.height));
    check(level.pixels == data + level.offset);
    qfb_level got;
    check(qfb_get_level(&file, level.frame, level.level, &got) == QFB_OK);
    check(std::memcmp(&got, &level, sizeof got) == 0);

    const size_t pixels = static_cast<size_t>(level.size / 2);
    std::vector<uint8_t> whole(pixels * 4 + 1, 0xA5);
    check(qfb_expand_level(&file, &level, QFB_ORDER_RGBA, whole.data(), pixels * 4) == QFB_OK);
    check(whole[pixels * 4] == 0xA5);  // nothing past the size given
    std::vector<uint8_t> rows(pixels * 4);
    for (int32_t y = 0; y < level.height && level.width > 0; ++y) {
        const uint8_t* row = qfb_level_row(&level, y);
        check(row == level.pixels + static_cast<size_t>(y) * static_cast<size_t>(level.width) * 2);
        qfb_expand_words(row, static_cast<size_t>(level.width), file.header.format, QFB_ORDER_RGBA,
                         rows.data() + static_cast<size_t>(y) * static_cast<size_t>(level.width) * 4);
    }
    check(qfb_level_row(&level, level.height) == nullptr && qfb_level_row(&level, -1) == nullptr);
    check(pixels == 0 || std::memcmp(whole.data(), rows.data(), pixels * 4) == 0);
    check(qfb_expand_level_gpu(&file, &level, QFB_ORDER_BGRA, whole.data(), pixels * 4) == QFB_OK);
    // Each conversion the format has, into a buffer of exactly the level's size.
    const qfb_upload* upload = qfb_upload_facts(file.header.format);
    std::vector<uint8_t> converted(pixels * 2 + 1, 0xA5);
    for (qfb_target target : {upload->gl_target, upload->gles_target}) {
        check(qfb_convert_level(&file, &level, target, converted.data(), pixels * 2) == QFB_OK);
        check(converted[pixels * 2] == 0xA5);
        if (pixels > 0)
            check(qfb_convert_level(&file, &level, target, converted.data(), pixels * 2 - 1) == QFB_BUFFER_TOO_SMALL);
    }
    if (pixels > 0) {
        check(qfb_expand_level(&file, &level, QFB_ORDER_BGRA, whole.data(), pixels * 4 - 1) == QFB_BUFFER_TOO_SMALL);
        qfb_level moved = level;
        moved.pixels += 1;
        check(qfb_expand_level(&file, &moved, QFB_ORDER_BGRA, whole.data(), pixels * 4) == QFB_BAD_ARGUMENT);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qfb_file file, checked;
    const qfb_status status = qfb_parse(data, size, &file);
    check(qfb_status_text(status) != nullptr && qfb_status_text(status)[0] != '\0');
    check(qfb_check(data, size < QFB_HEADER_SIZE ? size : QFB_HEADER_SIZE, size, &checked) == status);
    qfb_level level;
    if (status != QFB_OK) {
        check(qfb_first_level(&file, &level) == 0 && qfb_get_level(&file, 0, 0, &level) == QFB_BAD_ARGUMENT);
        check(qfb_first_pixel_level(&file, &level) == 0 && qfb_pixel_level_count(&file, nullptr) == QFB_BAD_ARGUMENT);
        check(qfb_expand_level(&file, &level, QFB_ORDER_RGBA, nullptr, 0) == QFB_BAD_ARGUMENT);
        return 0;
    }
    check(std::memcmp(&file.header, &checked.header, sizeof file.header) == 0 && file.size == size);
    const qfb_header& h = file.header;
    int32_t filled = -1;
    check(qfb_pixel_level_count(&file, &filled) == QFB_OK && filled >= 0 && filled <= h.mipmap_count + 1);
    int64_t visited = 0;
    uint64_t end = QFB_HEADER_SIZE;
    for (int more = qfb_first_pixel_level(&file, &level); more; more = qfb_next_pixel_level(&file, &level), ++visited) {
        check(level.offset == end && level.size != 0 && level.level < filled);
        end += level.size;
    }
    check(visited == int64_t{h.frame_count} * filled && end == size);

    const int64_t levels = int64_t{h.frame_count} * (int64_t{h.mipmap_count} + 1);
    if (levels > MAX_WALKED_LEVELS) return 0;
    visited = 0;
    end = QFB_HEADER_SIZE;
    for (int more = qfb_first_level(&file, &level); more; more = qfb_next_level(&file, &level), ++visited) {
        check(level.offset == end);
        check_level(file, level, data);
        end = level.offset + level.size;
    }
    check(visited == levels && end == size);
    check(qfb_get_level(&file, h.frame_count, 0, &level) == QFB_OUT_OF_RANGE);
    check(qfb_get_level(&file, 0, h.mipmap_count + 1, &level) == QFB_OUT_OF_RANGE);
    return 0;
}
