// Extraction of a QFB file's levels with pixels into Targa files, and the names it refuses (see
// qfb_jobs.h).
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "files.h"
#include "cli.h"
#include "frameset.h"
#include "platform.h"
#include "qfb_jobs.h"
#include "info_texts.h"
#include "targa.h"

std::string extract_base(const char* qfb_name, const char* folder)
{
    const std::string qfb = qfb_name;
    const size_t slash = platform::last_separator(qfb);
    const char* stem = slash != std::string::npos ? qfb_name + slash + 1 : qfb_name;
    const char* dot = std::strrchr(stem, '.');
    const size_t stem_length = dot != nullptr ? static_cast<size_t>(dot - stem) : std::strlen(stem);
    size_t folder_length = std::strlen(folder);
    if (folder_length == 0) return "";  // no folder: never the root by accident
    // "out/" and "out" name the same folder; the root keeps its one slash.
    while (folder_length > 1 && platform::is_separator(folder[folder_length - 1])) --folder_length;
    std::string base(folder, folder_length);
    if (!platform::is_separator(base.back())) base += '/';
    return base.append(stem, stem_length).append(".tga");
}

namespace {

// The file's frames are numbered from 1 in the names; one frame takes the single-image form.
int32_t frame_number(const qfb_header& header, int32_t index)
{
    return member_frame(header.frame_count == 1 ? SINGLE_IMAGE : 1, index);
}

bool folder_exists(const char* folder)
{
    platform::FileInfo info;
    return platform::info_of_name(folder, &info) && info.folder;
}

// The first byte that the naming convention adds to the base's stem in name (the mipmap letter; the
// rest is '-' and digits) that no file name should hold, or 0: DEL or a byte past 127, which is no
// UTF-8 character alone. Letters run on past 'z' and reach DEL at level 31; no level that far down
// has pixels (QFB_MAX_SIDE halves to 0 by level 15), so extraction, which names the levels with
// pixels alone, never meets one: the check stands where names are made, for any that would be.
unsigned char unnameable_byte(const std::string& base, const std::string& name)
{
    const size_t stem = base.rfind('.'), added = name.size() - base.size();
    for (size_t i = stem; i < stem + added; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c >= 127) return c;
    }
    return 0;
}

// Refuses, with its message, a name that holds a character no file name here should hold.
bool refuse_unnameable(const std::string& base, const std::string& name, int32_t level)
{
    if (const unsigned char byte = unnameable_byte(base, name)) {
        say(InfoText::unnameable_letter, level, byte);
        return true;
    }
    // Windows refuses more in a name: '|', a letter past 'z', among them.
    if (const char c = platform::unusable_name_character(name)) {
        say(InfoText::unnameable_character, name.c_str(), c);
        return true;
    }
    return false;
}

// One level as a 32-bit Targa file, top row first, written a row at a time.
WriteStatus write_level(const char* name, const qfb_file& file, const qfb_level& level, const LevelRowSource& rows,
                        std::vector<uint8_t>& words, std::vector<uint8_t>& bgra)
{
    AtomicFile out;
    WriteStatus status = out.create(name);
    uint8_t header[TARGA_HEADER_SIZE];
    encode_targa_header(static_cast<uint16_t>(level.width), static_cast<uint16_t>(level.height), 32, header);
    if (status == WriteStatus::ok) out.write(header, sizeof header);
    for (int32_t y = 0; y < level.height && level.width > 0 && status == WriteStatus::ok; ++y) {
        if (!rows(level, y, words.data())) return WriteStatus::source_failed;
        qfb_expand_words(words.data(), static_cast<size_t>(level.width), file.header.format, QFB_ORDER_BGRA, bgra.data());
        out.write(bgra.data(), static_cast<size_t>(level.width) * 4);
    }
    return status == WriteStatus::ok ? out.commit() : status;
}

}  // namespace

int extract_qfb(const char* qfb_name, const QfbCheck& check, const char* folder, bool force)
{
    const qfb_header& header = check.file.header;
    platform::FileInfo info;
    const bool missing = folder[0] != '\0' && !platform::info_of_link(folder, &info) && errno == ENOENT;
    if (!missing && !folder_exists(folder)) {
        say_no_output_folder(folder);
        return 1;
    }
    const std::string base = extract_base(qfb_name, folder);
    const auto name_of = [&](const qfb_level& level) { return member_name(base, frame_number(header, level.frame), level.level); };
    // The levels with pixels are written, and the last frame's last such level has the longest
    // name: when it fits, every name fits.
    int32_t filled = 0;
    qfb_pixel_level_count(&check.file, &filled);
    qfb_level level;
    if (filled > 0) {
        qfb_get_level(&check.file, header.frame_count - 1, filled - 1, &level);
        if (name_of(level).empty()) {
            say_names_too_long(base.c_str());
            return 1;
        }
    }
    // Every name is looked at before the first file is written.
    for (int more = qfb_first_pixel_level(&check.file, &level); more;
         more = qfb_next_pixel_level(&check.file, &level)) {
        const std::string name = name_of(level);
        if (refuse_unnameable(base, name, level.level)) return 1;
        if (!missing && refuse_taken(name.c_str(), force)) return 1;
    }
    // A missing folder is made, one level, as mkdir makes it.
    if (missing && !platform::make_folder(folder)) {
        say(InfoText::cannot_create_folder, folder, platform::error_text(errno));
        return 1;
    }

    const char* format_name = qfb_format_name(header.format);
    uint64_t written = 0;
    const LevelRowSource rows = rows_of(check);
    // One row: at most QFB_MAX_SIDE pixels.
    std::vector<uint8_t> words(static_cast<size_t>(header.width) * 2), bgra(static_cast<size_t>(header.width) * 4);
    for (int more = qfb_first_pixel_level(&check.file, &level); more;
         more = qfb_next_pixel_level(&check.file, &level)) {
        const std::string name = name_of(level);
        say(InfoText::extracting, name.c_str(), format_name);
        const WriteStatus result = write_level(name.c_str(), check.file, level, rows, words, bgra);
        if (result == WriteStatus::source_failed) {
            print_pixels_unreadable(qfb_name);
            return 1;
        }
        if (result != WriteStatus::ok) {
            say_unwritable_targa(name.c_str(), write_failure_text(result).c_str());
            return 1;
        }
        ++written;
    }
    print_empty_levels(check.file);
    say(InfoText::extracted, static_cast<unsigned long long>(written), written == 1 ? "" : "s", folder);
    say(InfoText::extraction_complete);
    return 0;
}
