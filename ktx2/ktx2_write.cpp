// The KTX2 writer (see ktx2.h). The file is laid out whole before a byte is written: header and
// index, the level index, the data format descriptor, the key/value data (KTXanimData for several
// frames, KTXorientation "rd": rows top first, left to right, and KTXwriter), then the levels,
// smallest first, each 4-byte aligned, each holding every frame's image of that level in turn.
#include <cstring>

#include "ktx2.h"
#include "ktx2_formats.h"
#include "ktx2_layout.h"

namespace {

bool frames_are_sound(const Ktx2Frames& f)
{
    // A side of a QFB frame at most: frame words then fit in 32 bits, the whole in 64.
    if (f.width == 0 || f.height == 0 || f.width > QFB_MAX_SIDE || f.height > QFB_MAX_SIDE) return false;
    if (f.frame_count == 0 || f.level_count == 0 || f.level_count > ktx2_level_limit(f.width, f.height)) return false;
    if (f.frame_count > 1 && f.fps == 0) return false;
    return f.words.size() / 2 == f.frame_count * ktx2_frame_words(f) && f.words.size() % 2 == 0;
}

// Appends one key/value entry and its padding to a multiple of 4 bytes.
void add_entry(std::vector<uint8_t>& kvd, const char* key, const uint8_t* value, size_t value_size)
{
    const size_t key_size = std::strlen(key) + 1;
    const size_t at = kvd.size();
    kvd.resize(at + 4 + key_size + value_size, 0);
    ktx2_put32(&kvd[at], static_cast<uint32_t>(key_size + value_size));
    std::memcpy(&kvd[at + 4], key, key_size);
    if (value_size > 0) std::memcpy(&kvd[at + 4 + key_size], value, value_size);
    kvd.resize((kvd.size() + 3) / 4 * 4, 0);
}

std::vector<uint8_t> key_values(const Ktx2Frames& f, const std::string& writer)
{
    std::vector<uint8_t> kvd;
    if (f.frame_count > 1) {
        uint8_t animation[KTX2_ANIMATION_SIZE] = {};
        ktx2_put32(animation, 1);          // duration: one time unit a frame
        ktx2_put32(animation + 4, f.fps);  // timescale: units a second
        ktx2_put32(animation + 8, 0);      // loop count: for ever
        add_entry(kvd, KTX2_KEY_ANIMATION, animation, sizeof animation);
    }
    const uint8_t orientation[] = {'r', 'd', 0};
    add_entry(kvd, KTX2_KEY_ORIENTATION, orientation, sizeof orientation);
    if (!writer.empty())
        add_entry(kvd, KTX2_KEY_WRITER, reinterpret_cast<const uint8_t*>(writer.c_str()), writer.size() + 1);
    return kvd;
}

}  // namespace

Ktx2Problem write_ktx2(const Ktx2Frames& f, Ktx2Choice choice, const std::string& writer, std::vector<uint8_t>* out)
{
    const Ktx2Format* format = ktx2_format_for(f.format, choice);
    if (format == nullptr || !frames_are_sound(f)) return Ktx2Problem::bad_frames;
    const std::vector<uint8_t> descriptor = ktx2_descriptor(*format, true);
    const std::vector<uint8_t> kvd = key_values(f, writer);

    const uint64_t dfd_at = KTX2_HEADER_SIZE + uint64_t{KTX2_LEVEL_ENTRY_SIZE} * f.level_count;
    const uint64_t kvd_at = dfd_at + descriptor.size();
    std::vector<uint64_t> level_at(f.level_count), level_size(f.level_count);
    uint64_t end = kvd_at + kvd.size();
    for (uint32_t l = f.level_count; l-- > 0;) {
        const Ktx2Level level = ktx2_level(f, 0, l);
        end = (end + KTX2_LEVEL_ALIGNMENT - 1) / KTX2_LEVEL_ALIGNMENT * KTX2_LEVEL_ALIGNMENT;
        level_at[l] = end;
        level_size[l] = uint64_t{f.frame_count} * level.width * level.height * KTX2_TEXEL_SIZE;
        end += level_size[l];
    }
    out->assign(static_cast<size_t>(end), 0);
    uint8_t* p = out->data();

    std::memcpy(p, KTX2_IDENTIFIER, sizeof KTX2_IDENTIFIER);
    ktx2_put32(p + KTX2_VK_FORMAT, format->vk_format);
    ktx2_put32(p + KTX2_TYPE_SIZE, KTX2_TEXEL_SIZE);
    ktx2_put32(p + KTX2_PIXEL_WIDTH, f.width);
    ktx2_put32(p + KTX2_PIXEL_HEIGHT, f.height);
    ktx2_put32(p + KTX2_LAYER_COUNT, f.frame_count > 1 ? f.frame_count : 0);  // pixelDepth 0: 2D
    ktx2_put32(p + KTX2_FACE_COUNT, 1);
    ktx2_put32(p + KTX2_LEVEL_COUNT, f.level_count);  // supercompression 0: none
    ktx2_put32(p + KTX2_DFD_OFFSET, static_cast<uint32_t>(dfd_at));
    ktx2_put32(p + KTX2_DFD_LENGTH, static_cast<uint32_t>(descriptor.size()));
    ktx2_put32(p + KTX2_KVD_OFFSET, static_cast<uint32_t>(kvd_at));
    ktx2_put32(p + KTX2_KVD_LENGTH, static_cast<uint32_t>(kvd.size()));  // no global data
    for (uint32_t l = 0; l < f.level_count; ++l) {
        uint8_t* entry = p + KTX2_HEADER_SIZE + size_t{KTX2_LEVEL_ENTRY_SIZE} * l;
        ktx2_put64(entry, level_at[l]);
        ktx2_put64(entry + 8, level_size[l]);
        ktx2_put64(entry + 16, level_size[l]);
    }
    std::memcpy(p + dfd_at, descriptor.data(), descriptor.size());
    std::memcpy(p + kvd_at, kvd.data(), kvd.size());
    const Ktx2WordMap words(*format, Ktx2WordMap::to_vulkan, f.words.size() / 2);
    for (uint32_t l = 0; l < f.level_count; ++l) {
        uint64_t at = level_at[l];
        for (uint32_t frame = 0; frame < f.frame_count; ++frame) {
            const Ktx2Level level = ktx2_level(f, frame, l);
            const size_t count = size_t{level.width} * level.height;
            words.convert(f.words.data() + level.offset, count, p + at);
            at += count * KTX2_TEXEL_SIZE;
        }
    }
    return Ktx2Problem::none;
}
