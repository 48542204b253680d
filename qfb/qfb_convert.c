/* Conversion of a level's words into the layouts GPU APIs take where they have no type for the
 * stored one (see qfb.h): 4444 rotated to RGBA4444, 1555 to RGBA5551 or ARGB1555 with the
 * transparency flag turned into an opaque bit. */
#include <string.h>

#include "qfb/qfb.h"

#include "qfb_level_check.h"

/* The format each target is made from; -1: any format (a copy). */
static int32_t source_format(qfb_target target)
{
    switch (target) {
    case QFB_TARGET_AS_STORED: return -1;
    case QFB_TARGET_RGBA4444: return QFB_FORMAT_4444;
    case QFB_TARGET_RGBA5551:
    case QFB_TARGET_ARGB1555: return QFB_FORMAT_1555;
    }
    return -2;
}

static unsigned converted(unsigned w, qfb_target target)
{
    switch (target) {
    case QFB_TARGET_RGBA4444: return ((w << 4) | (w >> 12)) & 0xFFFFu;
    case QFB_TARGET_RGBA5551: return ((w & 0x7FFFu) << 1) | ((w >> 15) ^ 1u);
    case QFB_TARGET_ARGB1555: return w ^ 0x8000u;
    case QFB_TARGET_AS_STORED: break;
    }
    return w;
}

qfb_status qfb_convert_words(const void* words, size_t count, int32_t format, qfb_target target, void* out)
{
    const int32_t from = source_format(target);
    const uint8_t* in = (const uint8_t*)words;
    uint8_t* to = (uint8_t*)out;
    size_t i;
    if (from == -2) return QFB_BAD_ARGUMENT;
    if (qfb_format_fields(format) == NULL || (from >= 0 && from != format)) return QFB_BAD_FORMAT;
    if (count == 0) return QFB_OK;
    if (words == NULL || out == NULL) return QFB_BAD_ARGUMENT;
    if (target == QFB_TARGET_AS_STORED) {
        if (out != words) memmove(out, words, count * 2);
        return QFB_OK;
    }
    for (i = 0; i < count; ++i, in += 2, to += 2) {
        const unsigned w = converted((unsigned)in[0] | ((unsigned)in[1] << 8), target);
        to[0] = (uint8_t)w;
        to[1] = (uint8_t)(w >> 8);
    }
    return QFB_OK;
}

qfb_status qfb_convert_level(const qfb_file* file, const qfb_level* level, qfb_target target, void* out,
                             size_t out_size)
{
    qfb_level own;
    const qfb_status status = qfb_own_level(file, level, &own);
    if (status != QFB_OK) return status;
    if (own.size > (uint64_t)out_size) return QFB_BUFFER_TOO_SMALL;
    return qfb_convert_words(own.pixels, (size_t)(own.size / 2), file->header.format, target, out);
}
