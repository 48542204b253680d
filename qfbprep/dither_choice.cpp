// The field choice table (see dither_choice.h).
#include "dither_choice.h"

#include <qfb/qfb.h>

FieldChoice::FieldChoice(int32_t format, const DitherField& field)
{
    const int32_t levels = 1 << field.bits;
    int32_t shown[64] = {};      // at most 6 bits
    int32_t threshold[64] = {};  // above it field q + 1 is nearer than q
    for (int32_t q = 0; q < levels; ++q) {
        const uint16_t word = static_cast<uint16_t>(q << field.shift);
        const uint8_t bytes[2] = {static_cast<uint8_t>(word & 0xFF), static_cast<uint8_t>(word >> 8)};
        uint8_t bgra[4];
        qfb_expand_words(bytes, 1, format, QFB_ORDER_BGRA, bgra);
        shown[q] = bgra[field.channel];
    }
    for (int32_t q = 0; q < levels; ++q)
        threshold[q] = q + 1 < levels ? (shown[q] + shown[q + 1]) * DITHER_ONE / 2 : DITHER_MAX_VALUE;
    int32_t q = 0;
    for (int32_t v = 0; v < 255; ++v) {
        while (v * DITHER_ONE > threshold[q]) ++q;
        choice_[MARGIN + v] =
            Choice{threshold[q], shown[q] * DITHER_ONE, shown[q + 1 < levels ? q + 1 : q] * DITHER_ONE, -1};
    }
    // 255 itself shows exactly, and all above it is taken as 255; all below 0 as 0.
    for (int32_t v = 0; v < MARGIN; ++v) choice_[v] = Choice{DITHER_MAX_VALUE, 0, 0, 0};
    for (int32_t v = 255; v < 256 + MARGIN; ++v)
        choice_[MARGIN + v] = Choice{DITHER_MAX_VALUE, DITHER_MAX_VALUE, DITHER_MAX_VALUE, 0};
}
