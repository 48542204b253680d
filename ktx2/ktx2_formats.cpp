// The five Vulkan formats, the conversion of words between their layouts and QFB's, and the data
// format descriptor (see ktx2_formats.h).
#include "ktx2_formats.h"

#include <cstring>
#include <utility>

#include "ktx2_layout.h"

namespace {

// In a Vulkan name the first channel stands in the highest bits of a _PACK16 word.
const Ktx2Format FORMATS[] = {
    {4, "VK_FORMAT_R5G6B5_UNORM_PACK16", QFB_FORMAT_565, Ktx2Choice::portable, {{0, 5}, {5, 6}, {11, 5}, {0, 0}}, false},
    {2, "VK_FORMAT_R4G4B4A4_UNORM_PACK16", QFB_FORMAT_4444, Ktx2Choice::portable, {{4, 4}, {8, 4}, {12, 4}, {0, 4}}, false},
    {1000340000, "VK_FORMAT_A4R4G4B4_UNORM_PACK16", QFB_FORMAT_4444, Ktx2Choice::as_stored,
     {{0, 4}, {4, 4}, {8, 4}, {12, 4}}, false},
    {6, "VK_FORMAT_R5G5B5A1_UNORM_PACK16", QFB_FORMAT_1555, Ktx2Choice::portable, {{1, 5}, {6, 5}, {11, 5}, {0, 1}}, true},
    {8, "VK_FORMAT_A1R5G5B5_UNORM_PACK16", QFB_FORMAT_1555, Ktx2Choice::as_stored, {{0, 5}, {5, 5}, {10, 5}, {15, 1}}, true},
};

// Channel ids of the RGBSDA colour model, in qfb_field order (blue, green, red, alpha).
const uint8_t CHANNEL_IDS[4] = {2, 1, 0, 15};
// The data format descriptor's constants.
constexpr uint32_t DESCRIPTOR_VERSION = 2;  // Khronos data format descriptors of version 1.3 on
constexpr uint8_t MODEL_RGBSDA = 1, PRIMARIES_BT709 = 1, SAMPLE_LINEAR = 0x10, FLAG_PREMULTIPLIED = 1;
constexpr size_t BLOCK_HEADER_SIZE = 24, SAMPLE_SIZE = 16;

// The order of the samples: the channels by the lowest bit they hold.
void sample_order(const Ktx2Format& format, int order[4], int* count)
{
    *count = 0;
    for (int c = 0; c < 4; ++c)
        if (format.fields[c].bits > 0) order[(*count)++] = c;
    for (int i = 1; i < *count; ++i)
        for (int j = i; j > 0 && format.fields[order[j]].shift < format.fields[order[j - 1]].shift; --j)
            std::swap(order[j], order[j - 1]);
}

}  // namespace

const Ktx2Format* ktx2_format(uint32_t vk_format)
{
    for (const Ktx2Format& format : FORMATS)
        if (format.vk_format == vk_format) return &format;
    return nullptr;
}

const Ktx2Format* ktx2_format_for(int32_t qfb_format, Ktx2Choice choice)
{
    const Ktx2Format* found = nullptr;
    for (const Ktx2Format& format : FORMATS)
        if (format.qfb_format == qfb_format && (found == nullptr || format.choice == choice)) found = &format;
    return found;
}

Ktx2WordMap::Ktx2WordMap(const Ktx2Format& format, Direction direction, uint64_t words)
    : from_(direction == to_vulkan ? qfb_format_fields(format.qfb_format) : format.fields),
      to_(direction == to_vulkan ? format.fields : qfb_format_fields(format.qfb_format)),
      invert_alpha_(format.flag_inverted),
      same_(!format.flag_inverted && std::memcmp(from_, to_, 4 * sizeof(qfb_field)) == 0)
{
    if (same_ || words <= 65536) return;
    table_.resize(65536);
    for (unsigned word = 0; word < 65536; ++word) table_[word] = static_cast<uint16_t>(map(word));
}

// Moves each field of a word from one layout to the other, the flag inverted where it is.
unsigned Ktx2WordMap::map(unsigned word) const
{
    unsigned result = 0;
    for (int c = 0; c < 4; ++c) {
        const unsigned mask = (1u << from_[c].bits) - 1;
        unsigned value = (word >> from_[c].shift) & mask;
        if (c == 3 && invert_alpha_) value ^= mask;
        result |= value << to_[c].shift;
    }
    return result;
}

void Ktx2WordMap::convert(const uint8_t* in, size_t count, uint8_t* out) const
{
    if (same_) {
        if (in != out) std::memmove(out, in, count * 2);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const unsigned word = in[2 * i] | unsigned{in[2 * i + 1]} << 8;
        const unsigned converted = table_.empty() ? map(word) : table_[word];
        out[2 * i] = static_cast<uint8_t>(converted);
        out[2 * i + 1] = static_cast<uint8_t>(converted >> 8);
    }
}

std::vector<uint8_t> ktx2_descriptor(const Ktx2Format& format, bool srgb)
{
    int order[4], samples = 0;
    sample_order(format, order, &samples);
    const size_t block = BLOCK_HEADER_SIZE + SAMPLE_SIZE * static_cast<size_t>(samples);
    std::vector<uint8_t> out(4 + block, 0);
    uint8_t* p = out.data();
    ktx2_put32(p, static_cast<uint32_t>(out.size()));  // dfdTotalSize
    ktx2_put32(p + 4, 0);                                 // vendor Khronos, basic descriptor block
    ktx2_put32(p + 8, DESCRIPTOR_VERSION | static_cast<uint32_t>(block) << 16);
    p[12] = MODEL_RGBSDA;
    p[13] = PRIMARIES_BT709;
    p[14] = srgb ? KTX2_TRANSFER_SRGB : KTX2_TRANSFER_LINEAR;
    p[15] = 0;   // straight alpha
    p[20] = KTX2_TEXEL_SIZE;  // bytesPlane0; the texel block dimensions (1 x 1 x 1 x 1) are stored as 0
    for (int s = 0; s < samples; ++s) {
        const int c = order[s];
        uint8_t* sample = p + 4 + BLOCK_HEADER_SIZE + SAMPLE_SIZE * static_cast<size_t>(s);
        sample[0] = format.fields[c].shift;  // bitOffset, 16 bits
        sample[2] = static_cast<uint8_t>(format.fields[c].bits - 1);  // bitLength, stored less 1
        sample[3] = static_cast<uint8_t>(CHANNEL_IDS[c] | (srgb && c == 3 ? SAMPLE_LINEAR : 0));
        ktx2_put32(sample + 12, (1u << format.fields[c].bits) - 1);  // sampleUpper; sampleLower 0
    }
    return out;
}

Ktx2Problem ktx2_check_descriptor(const Ktx2Format& format, const uint8_t* descriptor, size_t size, bool* srgb)
{
    // The first block must be the format's own basic block but for the primaries, the transfer
    // function, the flags and the linear mark of the alpha sample; blocks after it (a vendor's) are
    // walked over.
    const std::vector<uint8_t> want = ktx2_descriptor(format, true);
    if (size < want.size() || ktx2_get32(descriptor) != size) return Ktx2Problem::bad_descriptor;
    std::vector<uint8_t> got(descriptor, descriptor + want.size());
    got[0] = want[0];  // dfdTotalSize counts the other blocks too
    const uint8_t transfer = got[14], flags = got[15];
    for (size_t at : {size_t{13}, size_t{14}, size_t{15}}) got[at] = want[at];
    for (size_t at = 4 + BLOCK_HEADER_SIZE + 3; at < want.size(); at += SAMPLE_SIZE) got[at] |= want[at] & SAMPLE_LINEAR;
    if (got != want) return Ktx2Problem::bad_descriptor;
    for (size_t at = want.size(); at < size;) {
        // A further block: its 8-byte header at least, its size a multiple of 4, within the rest.
        if (size - at < 8) return Ktx2Problem::bad_descriptor;
        const uint32_t block = ktx2_get32(descriptor + at + 4) >> 16;
        if (block < 8 || block % 4 != 0 || block > size - at) return Ktx2Problem::bad_descriptor;
        at += block;
    }
    if (transfer != KTX2_TRANSFER_SRGB && transfer != KTX2_TRANSFER_LINEAR) return Ktx2Problem::unsupported_transfer;
    if ((flags & FLAG_PREMULTIPLIED) != 0) return Ktx2Problem::premultiplied;
    *srgb = transfer == KTX2_TRANSFER_SRGB;
    return Ktx2Problem::none;
}
