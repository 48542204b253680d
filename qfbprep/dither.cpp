// Serpentine Floyd-Steinberg dithering per channel (see dither.h). Values and errors are kept in
// 1/256ths of an 8-bit step; the four shares of an error add up to it exactly.
#include "qfbprep/dither.h"

#include <qfb/qfb.h>

#include <cstddef>
#include <vector>

namespace {

// 8-bit values in 1/256ths.
constexpr int32_t ONE = 256;
// Error shares are rounded down with a shift, which must be arithmetic for negative errors.
static_assert((-17 >> 4) == -2, "right shifts of negative numbers are arithmetic");
constexpr int32_t MAX_VALUE = 255 * ONE;

// One channel of a format: where its field sits in the word and how wide it is.
struct Field {
    int channel;  // byte of the pixel: 0 blue, 1 green, 2 red, 3 alpha
    int shift;
    int bits;
};

// What each field value shows once expanded, and where the choice between neighbours flips.
struct Channel {
    int channel = 0;
    int32_t levels = 0;
    int32_t shown[64] = {};      // at most 6 bits
    int32_t threshold[64] = {};  // above it (in 1/256ths) field q + 1 is nearer than q
    uint8_t first_guess[256] = {};  // the nearest field to each whole 8-bit value

    Channel() = default;
    Channel(int32_t format, const Field& field) : channel(field.channel), levels(1 << field.bits)
    {
        for (int32_t q = 0; q < levels; ++q) {
            const uint16_t word = static_cast<uint16_t>(q << field.shift);
            const uint8_t bytes[2] = {static_cast<uint8_t>(word & 0xFF), static_cast<uint8_t>(word >> 8)};
            uint8_t bgra[4];
            qfb_expand_words(bytes, 1, format, QFB_ORDER_BGRA, bgra);
            shown[q] = bgra[field.channel];
        }
        for (int32_t q = 0; q < levels; ++q)
            threshold[q] = q + 1 < levels ? (shown[q] + shown[q + 1]) * ONE / 2 : MAX_VALUE;
        int32_t q = 0;
        for (int32_t v = 0; v < 256; ++v) {
            while (v * ONE > threshold[q]) ++q;
            first_guess[v] = static_cast<uint8_t>(q);
        }
    }

    // The field whose expansion is nearest to value (in 1/256ths, within 0 .. MAX_VALUE), the
    // lower one on a tie. Neighbouring thresholds lie at least 4 whole values apart, so at most
    // one lies between a whole value and the next.
    int32_t choose(int32_t value) const
    {
        const int32_t q = first_guess[static_cast<uint32_t>(value) >> 8];  // value / ONE, value >= 0
        return value > threshold[q] ? q + 1 : q;
    }
};

std::vector<Field> fields_of(int32_t format, bool with_alpha)
{
    switch (format) {
    case QFB_FORMAT_565: return {{0, 0, 5}, {1, 5, 6}, {2, 11, 5}};
    case QFB_FORMAT_4444:
        if (with_alpha) return {{0, 0, 4}, {1, 4, 4}, {2, 8, 4}, {3, 12, 4}};
        return {{0, 0, 4}, {1, 4, 4}, {2, 8, 4}};
    default: return {{0, 0, 5}, {1, 5, 5}, {2, 10, 5}};  // 1555: the flag is alpha 0, kept as it is
    }
}

// All of the image's dithered channels in one pass; COUNT channels, each with its own errors.
template <int COUNT>
void dither_channels(Image& image, const Channel* channels)
{
    const int bpp = image.bytes_per_pixel();
    const int32_t width = image.width;
    // Errors waiting for this row and the next, COUNT per pixel, with a guard pixel at each end.
    // Each pixel of the row below gets its three shares while this row passes it, so it is
    // written once, when the last arrives; until then they wait in registers.
    std::vector<int32_t> here((static_cast<size_t>(width) + 2) * COUNT, 0), below(here.size(), 0);
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* row = image.row(y);
        const int step = y % 2 == 0 ? 1 : -1;  // serpentine: odd rows run right to left
        const ptrdiff_t ahead = step * COUNT;
        int32_t carry[COUNT] = {};    // for the next pixel of this row
        int32_t behind_below[COUNT] = {};  // for the pixel below the previous one
        int32_t ahead_below[COUNT] = {};   // for the pixel below this one
        int32_t* next = nullptr;
        for (int32_t i = 0; i < width; ++i) {
            const int32_t x = step > 0 ? i : width - 1 - i;
            uint8_t* pixel = row + static_cast<size_t>(x) * bpp;
            const int32_t* now = here.data() + (static_cast<size_t>(x) + 1) * COUNT;
            next = below.data() + (static_cast<size_t>(x) + 1) * COUNT;
            for (int c = 0; c < COUNT; ++c) {
                const Channel& ch = channels[c];
                int32_t value = pixel[ch.channel] * ONE + now[c] + carry[c];
                value = value < 0 ? 0 : value > MAX_VALUE ? MAX_VALUE : value;
                const int32_t q = ch.choose(value);
                pixel[ch.channel] = static_cast<uint8_t>(ch.shown[q]);
                const int32_t error = value - ch.shown[q] * ONE;
                // Shares rounded down (an arithmetic shift); the last share takes what is left.
                const int32_t right = (error * 7) >> 4, back = (error * 3) >> 4, under = (error * 5) >> 4;
                carry[c] = right;
                next[c - ahead] = behind_below[c] + back;  // complete: the previous pixel's below
                behind_below[c] = ahead_below[c] + under;
                ahead_below[c] = error - right - back - under;
            }
        }
        // The last pixel's below; its share past the row's end falls into the guard, unread.
        for (int c = 0; c < COUNT && next != nullptr; ++c) next[c] = behind_below[c];
        here.swap(below);
    }
}

}  // namespace

int32_t packed_format(int32_t format, int32_t bits_per_pixel)
{
    return bits_per_pixel == 24 && format == QFB_FORMAT_4444 ? QFB_FORMAT_1555 : format;
}

void dither_image(Image& image, int32_t format)
{
    const std::vector<Field> fields = fields_of(format, image.bytes_per_pixel() == 4);
    Channel channels[4];
    for (size_t i = 0; i < fields.size(); ++i) channels[i] = Channel(format, fields[i]);
    if (fields.size() == 4) {
        dither_channels<4>(image, channels);
    } else {
        dither_channels<3>(image, channels);
    }
}
