/* Bit-replicating expansion of 16-bit pixel words to 8-bit channels (see qfb.h), from the
 * format's fields: a field's bits are repeated below themselves, so that truncating the result to
 * the field width gives the field back and the full field gives 255. */
#include "qfb/qfb.h"

/* The 8-bit value of field v of bits bits (4 to 8), its bits repeated below themselves. */
static uint8_t widen(unsigned v, unsigned bits) { return (uint8_t)((v << (8 - bits)) | (v >> (2 * bits - 8))); }

/* The channel in field f of word w: 255 for a field of no bits (no alpha), 0 or 255 for the
 * 1-bit flag of a transparent pixel, the widened field otherwise. */
static uint8_t channel(unsigned w, qfb_field f)
{
    const unsigned v = (w >> f.shift) & ((1u << f.bits) - 1u);
    if (f.bits == 0) return 255;
    if (f.bits == 1) return v != 0 ? 0 : 255;
    return widen(v, f.bits);
}

void qfb_expand_words(const void* words, size_t count, int32_t format, qfb_order order, void* out)
{
    const qfb_field* fields = qfb_format_fields(format);
    const uint8_t* in = (const uint8_t*)words;
    uint8_t* px = (uint8_t*)out;
    /* Where blue and red go: bytes 0 and 2, or 2 and 0. */
    const int b_at = order == QFB_ORDER_BGRA ? 0 : 2, r_at = 2 - b_at;
    size_t i;
    for (i = 0; i < count; ++i, in += 2, px += 4) {
        const unsigned w = (unsigned)in[0] | ((unsigned)in[1] << 8);
        if (fields == NULL) {
            px[0] = px[1] = px[2] = 0;
            px[3] = 255;
            continue;
        }
        px[b_at] = channel(w, fields[0]);
        px[1] = channel(w, fields[1]);
        px[r_at] = channel(w, fields[2]);
        px[3] = channel(w, fields[3]);
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
