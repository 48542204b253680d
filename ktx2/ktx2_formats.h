// The five Vulkan formats a QFB file's words go to, as data: each one's fields (where blue, green,
// red and alpha stand in its 16-bit word), the QFB format whose words it carries, and whether QFB's
// 1555 flag is inverted on the way. The words are converted field by field between the two
// layouts, and the format's data format descriptor is made from the same fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <qfb/qfb.h>

#include "ktx2.h"

struct Ktx2Format {
    uint32_t vk_format;
    const char* name;
    int32_t qfb_format;
    Ktx2Choice choice;     // the writer's choice that picks it (565's format serves both)
    qfb_field fields[4];   // blue, green, red, alpha in the Vulkan word; alpha of 0 bits: none
    bool flag_inverted;    // QFB's 1555 flag (set: transparent) is the inverse of Vulkan's alpha bit
};

// The format of a vkFormat value; null for any other.
const Ktx2Format* ktx2_format(uint32_t vk_format);
// The format of a QFB format under a choice; null for an unknown QFB format.
const Ktx2Format* ktx2_format_for(int32_t qfb_format, Ktx2Choice choice);

// The conversion of words from QFB's layout to the format's, or back. For a file of more words
// than there are word values, a table of all 65536 made once; where the format's words are QFB's
// own, a copy.
class Ktx2WordMap {
public:
    enum Direction { to_vulkan, to_qfb };
    Ktx2WordMap(const Ktx2Format& format, Direction direction, uint64_t words);
    // Converts count little-endian words at in into out (the same buffer, or apart).
    void convert(const uint8_t* in, size_t count, uint8_t* out) const;

private:
    unsigned map(unsigned word) const;
    const qfb_field *from_, *to_;
    bool invert_alpha_, same_;
    std::vector<uint16_t> table_;  // empty: each word moved field by field
};

// The data format descriptor of the format, dfdTotalSize first: one basic descriptor block, colour
// model RGBSDA, BT.709 primaries, straight alpha, a 1 x 1 texel of 2 bytes in one plane, one sample
// per channel in the order of their bits, the transfer function sRGB (alpha then marked linear) or
// linear.
std::vector<uint8_t> ktx2_descriptor(const Ktx2Format& format, bool srgb);

// The descriptor's transfer function values the reader takes.
enum : uint8_t { KTX2_TRANSFER_LINEAR = 1, KTX2_TRANSFER_SRGB = 2 };
// What a descriptor of size bytes says of the format: none, bad_descriptor, unsupported_transfer or
// premultiplied; *srgb tells the transfer function of a sound one.
Ktx2Problem ktx2_check_descriptor(const Ktx2Format& format, const uint8_t* descriptor, size_t size, bool* srgb);
