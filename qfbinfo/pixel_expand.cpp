// Bit-replicating expansion of QFB pixel words (see pixel_expand.h).
#include "qfbinfo/pixel_expand.h"

namespace {

uint8_t from5(unsigned v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
uint8_t from6(unsigned v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }
uint8_t from4(unsigned v) { return static_cast<uint8_t>(v * 17); }

void store(uint8_t* bgra, uint8_t b, uint8_t g, uint8_t r, uint8_t a)
{
    bgra[0] = b;
    bgra[1] = g;
    bgra[2] = r;
    bgra[3] = a;
}

}  // namespace

void expand_word(uint16_t word, PixelFormat format, uint8_t bgra[4])
{
    const unsigned w = word;
    switch (format) {
    case FORMAT_1555:
        store(bgra, from5(w & 0x1F), from5((w >> 5) & 0x1F), from5((w >> 10) & 0x1F), (w & 0x8000) != 0 ? 0 : 255);
        return;
    case FORMAT_4444:
        store(bgra, from4(w & 0xF), from4((w >> 4) & 0xF), from4((w >> 8) & 0xF), from4(w >> 12));
        return;
    case FORMAT_565:
        store(bgra, from5(w & 0x1F), from6((w >> 5) & 0x3F), from5(w >> 11), 255);
        return;
    }
    store(bgra, 0, 0, 0, 255);
}

void expand_row(const uint8_t* words, int32_t count, PixelFormat format, uint8_t* bgra)
{
    for (int32_t i = 0; i < count; ++i, words += 2, bgra += 4)
        expand_word(static_cast<uint16_t>(words[0] | (words[1] << 8)), format, bgra);
}
