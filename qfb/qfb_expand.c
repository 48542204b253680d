/* Bit-replicating expansion of 16-bit pixel words to 8-bit channels (see qfb.h): a field's bits
 * are repeated below themselves, so that truncating the result to the field width gives the
 * field back and the full field gives 255. */
#include "qfb/qfb.h"

static uint8_t from5(unsigned v) { return (uint8_t)((v << 3) | (v >> 2)); }
static uint8_t from6(unsigned v) { return (uint8_t)((v << 2) | (v >> 4)); }
static uint8_t from4(unsigned v) { return (uint8_t)(v * 17); }

void qfb_expand_words(const void* words, size_t count, int32_t format, qfb_order order, void* out)
{
    const uint8_t* in = (const uint8_t*)words;
    uint8_t* px = (uint8_t*)out;
    /* Where red and blue go: bytes 0 and 2, or 2 and 0. */
    const int r_at = order == QFB_ORDER_BGRA ? 2 : 0, b_at = 2 - r_at;
    size_t i;
    for (i = 0; i < count; ++i, in += 2, px += 4) {
        const unsigned w = (unsigned)in[0] | ((unsigned)in[1] << 8);
        uint8_t r = 0, g = 0, b = 0, a = 255;
        switch (format) {
        case QFB_FORMAT_1555:
            r = from5((w >> 10) & 0x1F), g = from5((w >> 5) & 0x1F), b = from5(w & 0x1F);
            a = (w & 0x8000) != 0 ? 0 : 255;
            break;
        case QFB_FORMAT_4444:
            r = from4((w >> 8) & 0xF), g = from4((w >> 4) & 0xF), b = from4(w & 0xF), a = from4(w >> 12);
            break;
        case QFB_FORMAT_565:
            r = from5(w >> 11), g = from6((w >> 5) & 0x3F), b = from5(w & 0x1F);
            break;
        default:
            break;
        }
        px[r_at] = r;
        px[1] = g;
        px[b_at] = b;
        px[3] = a;
    }
}

qfb_status qfb_expand_level(const qfb_file* file, const qfb_level* level, qfb_order order, void* out,
                            size_t out_size)
{
    qfb_level own;
    if (file == NULL || level == NULL || file->status != QFB_OK || file->data == NULL) return QFB_BAD_ARGUMENT;
    /* The level is taken again from the file by its indices: a level changed by the caller, or
     * one of another file, is refused rather than read. */
    if (qfb_get_level(file, level->frame, level->level, &own) != QFB_OK || own.pixels != level->pixels ||
        own.size != level->size)
        return QFB_BAD_ARGUMENT;
    if (own.size / 2 > (uint64_t)(out_size / 4)) return QFB_BUFFER_TOO_SMALL;
    if (own.size == 0) return QFB_OK;
    if (out == NULL) return QFB_BAD_ARGUMENT;
    qfb_expand_words(own.pixels, (size_t)(own.size / 2), file->header.format, order, out);
    return QFB_OK;
}
