// The frames' geometry, the widening of a level, the Vulkan formats by choice and the problems'
// texts (see ktx2.h).
#include <qfb/qfb.h>

#include "ktx2.h"
#include "ktx2_formats.h"

#define KTX2_TEXT(x) #x
#define KTX2_NUMBER(x) KTX2_TEXT(x)

uint32_t ktx2_level_limit(uint32_t width, uint32_t height)
{
    uint32_t levels = 0;
    // A 32-bit side has at most 32 levels; a shift by 32 would be undefined.
    while (levels < 32 && (width >> levels) > 0 && (height >> levels) > 0) ++levels;
    return levels;
}

uint64_t ktx2_frame_words(const Ktx2Frames& frames)
{
    uint64_t words = 0;
    for (uint32_t l = 0; l < frames.level_count && l < 32; ++l)
        words += uint64_t{frames.width >> l} * (frames.height >> l);
    return words;
}

Ktx2Level ktx2_level(const Ktx2Frames& frames, uint32_t frame, uint32_t level)
{
    Ktx2Level found;
    uint64_t words = frame * ktx2_frame_words(frames);
    for (uint32_t l = 0; l < level; ++l) words += uint64_t{frames.width >> l} * (frames.height >> l);
    found.width = frames.width >> level;
    found.height = frames.height >> level;
    found.offset = words * 2;
    return found;
}

void ktx2_widen_bgra(const Ktx2Frames& frames, uint32_t frame, uint32_t level, uint8_t* bgra)
{
    const Ktx2Level found = ktx2_level(frames, frame, level);
    qfb_expand_words(frames.words.data() + found.offset, uint64_t{found.width} * found.height, frames.format,
                     QFB_ORDER_BGRA, bgra);
}

uint32_t ktx2_vk_format(int32_t qfb_format, Ktx2Choice choice)
{
    const Ktx2Format* format = ktx2_format_for(qfb_format, choice);
    return format != nullptr ? format->vk_format : 0;
}

const char* ktx2_vk_format_name(uint32_t vk_format)
{
    const Ktx2Format* format = ktx2_format(vk_format);
    return format != nullptr ? format->name : "VK_FORMAT_UNDEFINED";
}

const char* ktx2_problem_text(Ktx2Problem problem)
{
    switch (problem) {
    case Ktx2Problem::none: return "no problem";
    case Ktx2Problem::too_short: return "too short for a KTX2 header and its level index";
    case Ktx2Problem::not_ktx2: return "not a KTX2 file (wrong identifier)";
    case Ktx2Problem::supercompressed: return "it is supercompressed";
    case Ktx2Problem::unsupported_format:
        return "its vkFormat is none of R5G6B5, R4G4B4A4, A4R4G4B4, R5G5B5A1 and A1R5G5B5 (UNORM_PACK16)";
    case Ktx2Problem::bad_type_size: return "its typeSize is not 2";
    case Ktx2Problem::not_2d: return "it is not a 2D texture or an array of them";
    case Ktx2Problem::too_large: return "it is larger than " KTX2_NUMBER(QFB_MAX_SIDE) " pixels on a side";
    case Ktx2Problem::bad_level_count: return "it has more levels than its size allows";
    case Ktx2Problem::bad_index: return "its index points outside the file";
    case Ktx2Problem::bad_descriptor: return "its data format descriptor does not describe its vkFormat";
    case Ktx2Problem::unsupported_transfer: return "its transfer function is neither sRGB nor linear";
    case Ktx2Problem::premultiplied: return "its colour is premultiplied by alpha";
    case Ktx2Problem::bad_key_value: return "its key/value data are damaged";
    case Ktx2Problem::bad_animation: return "its KTXanimData is damaged";
    case Ktx2Problem::bad_level: return "a level's size or place does not fit";
    case Ktx2Problem::bad_frames: return "the frames are not a texture";
    }
    return "unknown problem";
}
