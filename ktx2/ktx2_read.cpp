// The KTX2 reader (see ktx2.h). Everything is checked before anything is copied, in file order:
// the header, the texture's type and size, the level index, the index's regions, the data format
// descriptor, the key/value data, then every level's size and place; each length against the room
// left after its offset, in 64-bit arithmetic.
#include <cstring>
#include <utility>

#include "ktx2.h"
#include "ktx2_formats.h"
#include "ktx2_layout.h"

namespace {

// True when length bytes from offset lie within size bytes.
bool within(uint64_t offset, uint64_t length, uint64_t size) { return offset <= size && length <= size - offset; }

// Walks the key/value data; reads KTXanimData into *fps (rounded to the nearest whole rate, at
// least 1, at most what an int32 holds, as a QFB header's fps does).
Ktx2Problem read_key_values(const uint8_t* kvd, uint64_t size, uint32_t* fps)
{
    for (uint64_t at = 0; at < size;) {
        if (size - at < 4) return Ktx2Problem::bad_key_value;
        const uint64_t length = ktx2_get32(kvd + at);
        at += 4;
        // A key of one character and its NUL at least.
        if (length < 2 || length > size - at) return Ktx2Problem::bad_key_value;
        const uint8_t* entry = kvd + at;
        const void* nul = std::memchr(entry, 0, static_cast<size_t>(length));
        if (nul == nullptr) return Ktx2Problem::bad_key_value;
        const size_t key_size = static_cast<size_t>(static_cast<const uint8_t*>(nul) - entry) + 1;
        if (key_size == sizeof KTX2_KEY_ANIMATION && std::memcmp(entry, KTX2_KEY_ANIMATION, key_size) == 0) {
            const uint8_t* value = entry + key_size;
            if (length - key_size != KTX2_ANIMATION_SIZE) return Ktx2Problem::bad_animation;
            const uint64_t duration = ktx2_get32(value), timescale = ktx2_get32(value + 4);
            if (duration == 0 || timescale == 0) return Ktx2Problem::bad_animation;
            const uint64_t rate = (timescale + duration / 2) / duration;
            *fps = static_cast<uint32_t>(rate < 1 ? 1 : rate > 0x7FFFFFFF ? 0x7FFFFFFF : rate);
        }
        // The padding to a multiple of 4 is part of the data, except after the last entry.
        at += length;
        at += (4 - at % 4) % 4;
        if (at > size) at = size;
    }
    return Ktx2Problem::none;
}

}  // namespace

Ktx2Problem read_ktx2(const uint8_t* data, size_t size, Ktx2Texture* texture)
{
    if (size < KTX2_HEADER_SIZE) return Ktx2Problem::too_short;
    if (std::memcmp(data, KTX2_IDENTIFIER, sizeof KTX2_IDENTIFIER) != 0) return Ktx2Problem::not_ktx2;
    if (ktx2_get32(data + KTX2_SUPERCOMPRESSION) != 0) return Ktx2Problem::supercompressed;
    const Ktx2Format* format = ktx2_format(ktx2_get32(data + KTX2_VK_FORMAT));
    if (format == nullptr) return Ktx2Problem::unsupported_format;
    if (ktx2_get32(data + KTX2_TYPE_SIZE) != KTX2_TEXEL_SIZE) return Ktx2Problem::bad_type_size;
    const uint32_t width = ktx2_get32(data + KTX2_PIXEL_WIDTH), height = ktx2_get32(data + KTX2_PIXEL_HEIGHT);
    if (width == 0 || height == 0 || ktx2_get32(data + KTX2_PIXEL_DEPTH) != 0 || ktx2_get32(data + KTX2_FACE_COUNT) != 1)
        return Ktx2Problem::not_2d;
    // The frames are to become a QFB file's: no side beyond what one holds.
    if (width > QFB_MAX_SIDE || height > QFB_MAX_SIDE) return Ktx2Problem::too_large;
    const uint32_t layers = ktx2_get32(data + KTX2_LAYER_COUNT);
    const uint32_t frames = layers == 0 ? 1 : layers;
    // levelCount 0: the base level alone. The full chain of the larger side is the most there are.
    const uint32_t level_count = ktx2_get32(data + KTX2_LEVEL_COUNT);
    const uint32_t levels = level_count == 0 ? 1 : level_count;
    if (levels > ktx2_level_limit(width > height ? width : height, width > height ? width : height))
        return Ktx2Problem::bad_level_count;
    if (!within(KTX2_HEADER_SIZE, uint64_t{KTX2_LEVEL_ENTRY_SIZE} * levels, size)) return Ktx2Problem::too_short;

    // The index: the descriptor and the key/value data within the file, no global data (that
    // belongs to supercompression).
    const uint64_t dfd_at = ktx2_get32(data + KTX2_DFD_OFFSET), dfd_size = ktx2_get32(data + KTX2_DFD_LENGTH);
    const uint64_t kvd_at = ktx2_get32(data + KTX2_KVD_OFFSET), kvd_size = ktx2_get32(data + KTX2_KVD_LENGTH);
    if (!within(dfd_at, dfd_size, size) || !within(kvd_at, kvd_size, size) || ktx2_get64(data + KTX2_SGD_LENGTH) != 0)
        return Ktx2Problem::bad_index;
    bool srgb = false;
    const Ktx2Problem descriptor = ktx2_check_descriptor(*format, data + dfd_at, static_cast<size_t>(dfd_size), &srgb);
    if (descriptor != Ktx2Problem::none) return descriptor;
    uint32_t fps = 0;
    const Ktx2Problem key_values = read_key_values(data + kvd_at, kvd_size, &fps);
    if (key_values != Ktx2Problem::none) return key_values;

    // Each level: exactly its images' bytes (all layers), within the file.
    for (uint32_t l = 0; l < levels; ++l) {
        const uint8_t* entry = data + KTX2_HEADER_SIZE + size_t{KTX2_LEVEL_ENTRY_SIZE} * l;
        const uint64_t side_w = (width >> l) > 0 ? width >> l : 1, side_h = (height >> l) > 0 ? height >> l : 1;
        const uint64_t bytes = uint64_t{frames} * side_w * side_h * KTX2_TEXEL_SIZE;  // below 2^63
        const uint64_t at = ktx2_get64(entry);
        if (ktx2_get64(entry + 8) != bytes || ktx2_get64(entry + 16) != bytes || !within(at, bytes, size))
            return Ktx2Problem::bad_level;
    }

    // The levels QFB's halving has too; the words in QFB's order and layout.
    Ktx2Texture read;
    Ktx2Frames& f = read.frames;
    f.format = format->qfb_format;
    f.width = width;
    f.height = height;
    f.frame_count = frames;
    f.level_count = levels < ktx2_level_limit(width, height) ? levels : ktx2_level_limit(width, height);
    f.fps = fps;
    f.words.resize(static_cast<size_t>(frames * ktx2_frame_words(f) * 2));
    const Ktx2WordMap words(*format, Ktx2WordMap::to_qfb, f.words.size() / 2);
    for (uint32_t l = 0; l < f.level_count; ++l) {
        const uint8_t* level_data = data + ktx2_get64(data + KTX2_HEADER_SIZE + size_t{KTX2_LEVEL_ENTRY_SIZE} * l);
        for (uint32_t frame = 0; frame < frames; ++frame) {
            const Ktx2Level level = ktx2_level(f, frame, l);
            const size_t count = size_t{level.width} * level.height;
            words.convert(level_data + count * KTX2_TEXEL_SIZE * frame, count, f.words.data() + level.offset);
        }
    }
    read.vk_format = format->vk_format;
    read.srgb = srgb;
    read.dropped_levels = levels - f.level_count;
    *texture = std::move(read);
    return Ktx2Problem::none;
}
