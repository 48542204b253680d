/* Expansion of 16-bit pixel words to 8-bit channels (see qfb.h), from the format's fields, in
 * two forms: bit replication (a field's bits repeated below themselves, so that truncating the
 * result to the field width gives the field back) and as a GPU shows it (round(v x 255 / max)).
 * Both give 255 for a full field. */
#include "qfb/qfb.h"

#include "qfb_level_check.h"

/* The 8-bit value of field v of bits bits (4 to 8), its bits repeated below themselves. */
static uint8_t widen(unsigned v, unsigned bits) { return (uint8_t)((v << (8 - bits)) | (v >> (2 * bits - 8))); }

/* The 8-bit value a GPU shows for field v of bits bits: v x 255 / max rounded to nearest. max is
 * odd, so v x 255 / max is never exactly half-way and adding max / 2 rounds it. */
static uint8_t normalise(unsigned v, unsigned bits)
{
    const unsigned max = (1u << bits) - 1u;
    return (uint8_t)((v * 255u + max / 2u) / max);
}

/* The channel in field f of word w: 255 for a field of no bits (no alpha), 0 or 255 for the
 * 1-bit flag of a transparent pixel, the widened or normalised field otherwise. */
static uint8_t channel(unsigned w, qfb_field f, int gpu)
{
    const unsigned v = (w >> f.shift) & ((1u << f.bits) - 1u);
    if (f.bits == 0) return 255;
    if (f.bits == 1) return v != 0 ? 0 : 255;
    return gpu ? normalise(v, f.bits) : widen(v, f.bits);
}

static void expand(const void* words, size_t count, int32_t format, qfb_order order, int gpu, void* out)
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
        px[b_at] = channel(w, fields[0], gpu);
        px[1] = channel(w, fields[1], gpu);
        px[r_at] = channel(w, fields[2], gpu);
        px[3] = channel(w, fields[3], gpu);
    }
}

static qfb_status expand_level(const qfb_file* file, const qfb_level* level, qfb_order order, int gpu, void* out,
                               size_t out_size)
{
    qfb_level own;
    const qfb_status status = qfb_own_level(file, level, &own);
    if (status != QFB_OK) return status;
    if (own.size / 2 > (uint64_t)(out_size / 4)) return QFB_BUFFER_TOO_SMALL;
    if (own.size == 0) return QFB_OK;
    if (out == NULL) return QFB_BAD_ARGUMENT;
    expand(own.pixels, (size_t)(own.size / 2), file->header.format, order, gpu, out);
    return QFB_OK;
}

void qfb_expand_words(const void* words, size_t count, int32_t format, qfb_order order, void* out)
{
    expand(words, count, format, order, 0, out);
}

void qfb_expand_words_gpu(const void* words, size_t count, int32_t format, qfb_order order, void* out)
{
    expand(words, count, format, order, 1, out);
}

qfb_status qfb_expand_level(const qfb_file* file, const qfb_level* level, qfb_order order, void* out,
                            size_t out_size)
{
    return expand_level(file, level, order, 0, out, out_size);
}

qfb_status qfb_expand_level_gpu(const qfb_file* file, const qfb_level* level, qfb_order order, void* out,
                                size_t out_size)
{
    return expand_level(file, level, order, 1, out, out_size);
}
