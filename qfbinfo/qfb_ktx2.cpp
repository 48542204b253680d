// A QFB file's frames as one KTX2 texture (see qfb_jobs.h): refused before anything is read past
// the header when its frames are empty or the name is taken; then the pixels are read whole, laid
// out by the KTX2 library and written in one piece through the atomic writer.
#include <cstdio>
#include <string>
#include <vector>

#include "ktx2.h"
#include "qfb_jobs.h"
#include "info_texts.h"

int write_ktx2_texture(const char* qfb_name, const QfbCheck& check, const char* out, bool force, bool as_stored)
{
    const qfb_header& h = check.file.header;
    Ktx2Frames frames;
    frames.format = h.format;
    frames.width = static_cast<uint32_t>(h.width);
    frames.height = static_cast<uint32_t>(h.height);
    frames.frame_count = static_cast<uint32_t>(h.frame_count);
    frames.fps = static_cast<uint32_t>(h.fps);
    // The file's levels down to the last non-empty one: the empty ones take no bytes in a QFB file,
    // so its pixels after the header are the frames' words as they are.
    const uint32_t non_empty = ktx2_level_limit(frames.width, frames.height);
    frames.level_count = non_empty < uint32_t(h.mipmap_count) + 1 ? non_empty : uint32_t(h.mipmap_count) + 1;
    if (frames.level_count == 0) {
        say(InfoText::ktx2_empty, h.width, h.height);
        return 1;
    }
    if (refuse_taken(out, force)) return 1;
    const Ktx2Choice choice = as_stored ? Ktx2Choice::as_stored : Ktx2Choice::portable;
    const uint32_t vk_format = ktx2_vk_format(h.format, choice);
    say(InfoText::ktx2_creating, out, h.frame_count,
                h.frame_count == 1 ? "" : "s", h.width, h.height, frames.level_count,
                frames.level_count == 1 ? "" : "s", ktx2_vk_format_name(vk_format));

    frames.words.resize(static_cast<size_t>(check.file.size - QFB_HEADER_SIZE));
    if (check.bytes.copy(QFB_HEADER_SIZE, frames.words.size(), frames.words.data()) != ReadStatus::ok) {
        print_pixels_unreadable(qfb_name);
        return 1;
    }
    char writer[64];
    std::snprintf(writer, sizeof writer, "qfbinfo %d.%d.%d", QFB_VERSION_MAJOR, QFB_VERSION_MINOR, QFB_VERSION_PATCH);
    std::vector<uint8_t> bytes;
    write_ktx2(frames, choice, writer, &bytes);  // the frames are a checked file's: always sound
    const WriteStatus result = write_whole_file(out, bytes.data(), bytes.size());
    if (result != WriteStatus::ok) return print_unwritable(qfb_name, "KTX2", out, result);
    say(InfoText::ktx2_complete);
    return 0;
}
