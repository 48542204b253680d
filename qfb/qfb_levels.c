/* Level geometry: the layout of a file from its header (each level's size, each frame's size,
 * the whole size, all in overflow-checked 64-bit arithmetic), one level by its indices, the walk
 * over every level in file order, and the count and walk of the levels with pixels (see qfb.h). */
#include <string.h>

#include "qfb/qfb.h"

#include "qfb_level_check.h"

static const uint64_t U64_MAX = ~(uint64_t)0;

qfb_status qfb_layout(const qfb_header* header, qfb_file* file)
{
    uint64_t w, h, frame_size = 0;
    int32_t level;
    if (header == NULL || file == NULL) return QFB_BAD_ARGUMENT;
    memset(file, 0, sizeof *file);
    file->status = QFB_BAD_ARGUMENT;
    if (header->width < 0 || header->height < 0) return file->status = QFB_BAD_DIMENSIONS;
    if (header->frame_count < 1) return file->status = QFB_BAD_FRAME_COUNT;
    if (header->mipmap_count < 0) return file->status = QFB_BAD_MIPMAP_COUNT;
    file->header = *header;
    w = (uint64_t)header->width;
    h = (uint64_t)header->height;
    /* Once a side reaches 0 every further level is empty, so the sum stops there. */
    for (level = 0; level <= header->mipmap_count && w != 0 && h != 0; ++level) {
        const uint64_t level_size = w * h * 2; /* < 2^63: both sides are below 2^31 */
        if (level_size > U64_MAX - frame_size) return file->status = QFB_SIZE_OVERFLOW;
        frame_size += level_size;
        w /= 2;
        h /= 2;
    }
    if (frame_size != 0 && (uint64_t)header->frame_count > (U64_MAX - QFB_HEADER_SIZE) / frame_size)
        return file->status = QFB_SIZE_OVERFLOW;
    file->frame_size = frame_size;
    file->size = QFB_HEADER_SIZE + (uint64_t)header->frame_count * frame_size;
    return file->status = QFB_OK;
}

/* Fills out for frame `frame`, level 0, whose offset is given. */
static void full_size_level(const qfb_file* file, int32_t frame, uint64_t offset, qfb_level* out)
{
    out->frame = frame;
    out->level = 0;
    out->width = file->header.width;
    out->height = file->header.height;
    out->offset = offset;
    out->size = (uint64_t)out->width * (uint64_t)out->height * 2;
    out->pixels = file->data != NULL ? file->data + offset : NULL;
}

/* Moves out from its level to the one below in the same frame. */
static void next_level_down(const qfb_file* file, qfb_level* out)
{
    out->level += 1;
    out->offset += out->size;
    out->width /= 2;
    out->height /= 2;
    out->size = (uint64_t)out->width * (uint64_t)out->height * 2;
    out->pixels = file->data != NULL ? file->data + out->offset : NULL;
}

static int is_checked(const qfb_file* file) { return file != NULL && file->status == QFB_OK; }

qfb_status qfb_get_level(const qfb_file* file, int32_t frame, int32_t level, qfb_level* out)
{
    if (!is_checked(file) || out == NULL) return QFB_BAD_ARGUMENT;
    if (frame < 0 || frame >= file->header.frame_count || level < 0 || level > file->header.mipmap_count)
        return QFB_OUT_OF_RANGE;
    /* Cannot overflow: the layout has checked that every frame fits in 64 bits. */
    full_size_level(file, frame, QFB_HEADER_SIZE + (uint64_t)frame * file->frame_size, out);
    while (out->level < level && out->size != 0) next_level_down(file, out);
    if (out->level < level) {
        /* Every level from here on is empty and starts where this one does: halving 31 times
         * takes any side to 0, so the rest need no loop. */
        const int32_t steps = level - out->level > 31 ? 31 : level - out->level;
        out->level = level;
        out->width >>= steps;
        out->height >>= steps;
    }
    return QFB_OK;
}

int qfb_first_level(const qfb_file* file, qfb_level* level) { return qfb_get_level(file, 0, 0, level) == QFB_OK; }

int qfb_next_level(const qfb_file* file, qfb_level* level)
{
    if (!is_checked(file) || level == NULL) return 0;
    if (level->frame < 0 || level->frame >= file->header.frame_count || level->level < 0) return 0;
    if (level->level < file->header.mipmap_count) {
        next_level_down(file, level);
        return 1;
    }
    if (level->frame + 1 >= file->header.frame_count) return 0;
    full_size_level(file, level->frame + 1, level->offset + level->size, level);
    return 1;
}

qfb_status qfb_pixel_level_count(const qfb_file* file, int32_t* count)
{
    int32_t w, h, n = 0;
    if (!is_checked(file) || count == NULL) return QFB_BAD_ARGUMENT;
    for (w = file->header.width, h = file->header.height; n <= file->header.mipmap_count && w > 0 && h > 0; ++n) {
        w /= 2;
        h /= 2;
    }
    *count = n;
    return QFB_OK;
}

int qfb_first_pixel_level(const qfb_file* file, qfb_level* level)
{
    return qfb_first_level(file, level) && level->size != 0;
}

int qfb_next_pixel_level(const qfb_file* file, qfb_level* level)
{
    /* A file without pixels has none to move to: every frame's full-size level is empty. */
    if (!is_checked(file) || file->frame_size == 0 || !qfb_next_level(file, level)) return 0;
    if (level->size != 0) return 1;
    /* The rest of the frame is empty, and its empty levels start where the next frame does. */
    if (level->frame + 1 >= file->header.frame_count) return 0;
    full_size_level(file, level->frame + 1, level->offset, level);
    return 1;
}

const uint8_t* qfb_level_row(const qfb_level* level, int32_t row)
{
    if (level == NULL || level->pixels == NULL || row < 0 || row >= level->height || level->width <= 0) return NULL;
    return level->pixels + (size_t)row * (size_t)level->width * 2;
}

qfb_status qfb_own_level(const qfb_file* file, const qfb_level* level, qfb_level* own)
{
    if (file == NULL || level == NULL || file->status != QFB_OK || file->data == NULL) return QFB_BAD_ARGUMENT;
    if (qfb_get_level(file, level->frame, level->level, own) != QFB_OK || own->pixels != level->pixels ||
        own->size != level->size)
        return QFB_BAD_ARGUMENT;
    return QFB_OK;
}
