/* The header and the file check: encoding, decoding, the limits, the size the header implies
 * against the bytes there are, and the version (see qfb.h). */
#include <string.h>

#include "qfb/qfb.h"

static const uint8_t MAGIC[4] = {'.', 'q', 'f', 'b'};
/* Every field is a non-negative 32-bit signed value in the writer. */
static const uint32_t FIELD_LIMIT = 0x7FFFFFFFu;

static void put_u32(uint8_t* out, uint32_t value)
{
    out[0] = (uint8_t)value;
    out[1] = (uint8_t)(value >> 8);
    out[2] = (uint8_t)(value >> 16);
    out[3] = (uint8_t)(value >> 24);
}

static uint32_t get_u32(const uint8_t* in)
{
    return (uint32_t)in[0] | ((uint32_t)in[1] << 8) | ((uint32_t)in[2] << 16) | ((uint32_t)in[3] << 24);
}

int qfb_version(void) { return QFB_VERSION; }

uint64_t qfb_max_file_size(void) { return QFB_MAX_FILE_SIZE; }

void qfb_encode_header(const qfb_header* header, uint8_t out[QFB_HEADER_SIZE])
{
    memcpy(out, MAGIC, sizeof MAGIC);
    put_u32(out + 4, QFB_FILE_VERSION);
    put_u32(out + 8, (uint32_t)header->width);
    put_u32(out + 12, (uint32_t)header->height);
    put_u32(out + 16, (uint32_t)header->format);
    put_u32(out + 20, (uint32_t)header->fps);
    put_u32(out + 24, (uint32_t)header->frame_count);
    put_u32(out + 28, (uint32_t)header->mipmap_count);
}

/* Reads and checks the fields; header is filled only on QFB_OK. */
static qfb_status decode_header(const uint8_t* bytes, size_t size, qfb_header* header)
{
    uint32_t width, height, format, fps, frames, mipmaps;
    if (bytes == NULL || size < QFB_HEADER_SIZE) return QFB_TOO_SHORT;
    if (memcmp(bytes, MAGIC, sizeof MAGIC) != 0) return QFB_BAD_MAGIC;
    if (get_u32(bytes + 4) != QFB_FILE_VERSION) return QFB_BAD_VERSION;
    width = get_u32(bytes + 8);
    height = get_u32(bytes + 12);
    format = get_u32(bytes + 16);
    fps = get_u32(bytes + 20);
    frames = get_u32(bytes + 24);
    mipmaps = get_u32(bytes + 28);
    if (width > FIELD_LIMIT || height > FIELD_LIMIT) return QFB_BAD_DIMENSIONS;
    if (format > QFB_FORMAT_565) return QFB_BAD_FORMAT;
    if (fps == 0 || fps > FIELD_LIMIT) return QFB_BAD_FPS;
    if (frames == 0 || frames > FIELD_LIMIT) return QFB_BAD_FRAME_COUNT;
    if (mipmaps > FIELD_LIMIT) return QFB_BAD_MIPMAP_COUNT;
    header->width = (int32_t)width;
    header->height = (int32_t)height;
    header->format = (int32_t)format;
    header->fps = (int32_t)fps;
    header->frame_count = (int32_t)frames;
    header->mipmap_count = (int32_t)mipmaps;
    return QFB_OK;
}

/* Records the outcome in the file, so that the access functions refuse an unchecked file. */
static qfb_status finish(qfb_file* file, qfb_status status)
{
    file->status = status;
    return status;
}

qfb_status qfb_check(const void* head, size_t head_size, uint64_t file_size, qfb_file* file)
{
    qfb_status status;
    const qfb_header* h;
    if (file == NULL) return QFB_BAD_ARGUMENT;
    memset(file, 0, sizeof *file);
    status = decode_header((const uint8_t*)head, head_size, &file->header);
    if (status != QFB_OK) return finish(file, status);
    h = &file->header;
    if (h->width > QFB_MAX_SIDE || h->height > QFB_MAX_SIDE) return finish(file, QFB_SIDE_TOO_LARGE);
    if (h->mipmap_count > QFB_MAX_MIPMAPS) return finish(file, QFB_TOO_MANY_MIPMAPS);
    if (h->frame_count > QFB_MAX_FRAMES) return finish(file, QFB_TOO_MANY_FRAMES);
    {
        const qfb_header fields = *h;
        status = qfb_layout(&fields, file);
    }
    if (status != QFB_OK) return finish(file, status);
    if (file_size < file->size) return finish(file, QFB_CUT_SHORT);
    if (file_size > file->size) return finish(file, QFB_EXTRA_BYTES);
    return finish(file, QFB_OK);
}

qfb_status qfb_parse(const void* data, size_t size, qfb_file* file)
{
    const qfb_status status = qfb_check(data, size < QFB_HEADER_SIZE ? size : QFB_HEADER_SIZE, size, file);
    if (status == QFB_OK) file->data = (const uint8_t*)data;
    return status;
}
