/* The C library's answers for the web module's tests: writes a set of QFB files made here (every
 * format, frames and mipmaps, empty levels, every 16-bit word, and one file for each status a
 * file's bytes can cause) into a folder, with answers.json: each file's status and text, its
 * header and levels with pixels, and for every level of every frame its geometry, its words, both
 * expansions in both channel orders and every conversion with its status; then the names of all
 * statuses and the file-size limit. Usage: web_answers FOLDER */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "qfb/qfb.h"

static const char* const TARGET_NAMES[] = {"AS_STORED", "RGBA4444", "RGBA5551", "ARGB1555"};

static FILE* out;

static void fail(const char* what)
{
    fprintf(stdout, "web_answers: %s\n", what);
    exit(1);
}

static void hex(const void* bytes, size_t size)
{
    const unsigned char* p = (const unsigned char*)bytes;
    size_t i;
    fputc('"', out);
    for (i = 0; i < size; ++i) fprintf(out, "%02x", p[i]);
    fputc('"', out);
}

static void status_fields(qfb_status status)
{
    fprintf(out, "\"status\": \"%s\", \"text\": \"%s\"", qfb_status_name(status), qfb_status_text(status));
}

/* A file's bytes: the header's fields, then `size` bytes in all (pixels from a seed, or every
 * word value in turn when seed is 0). */
static unsigned char* make_file(int32_t w, int32_t h, int32_t format, int32_t fps, int32_t frames, int32_t mipmaps,
                                size_t size, unsigned seed)
{
    const qfb_header header = {w, h, format, fps, frames, mipmaps};
    unsigned char* bytes = (unsigned char*)calloc(size > QFB_HEADER_SIZE ? size : QFB_HEADER_SIZE, 1);
    size_t i;
    if (bytes == NULL) fail("out of memory");
    qfb_encode_header(&header, bytes);
    for (i = QFB_HEADER_SIZE; i < size; ++i) {
        if (seed == 0) {
            bytes[i] = (unsigned char)((i - QFB_HEADER_SIZE) % 2 == 0 ? ((i - QFB_HEADER_SIZE) / 2) & 0xFF
                                                                     : ((i - QFB_HEADER_SIZE) / 2) >> 8);
        } else {
            seed = seed * 1103515245u + 12345u;
            bytes[i] = (unsigned char)(seed >> 16);
        }
    }
    return bytes;
}

/* The size a sound file of these fields has. */
static size_t sound_size(int32_t w, int32_t h, int32_t frames, int32_t mipmaps)
{
    const qfb_header header = {w, h, 0, 1, frames, mipmaps};
    qfb_file layout;
    if (qfb_layout(&header, &layout) != QFB_OK) fail("no layout");
    return (size_t)layout.size;
}

static void level_answers(const qfb_file* file, const qfb_level* lv)
{
    const size_t count = (size_t)(lv->size / 2);
    unsigned char* rgba = (unsigned char*)malloc(count * 4 + 1);
    unsigned char* words = (unsigned char*)malloc(count * 2 + 1);
    int gpu, order, target;
    if (rgba == NULL || words == NULL) fail("out of memory");
    fprintf(out, "{\"frame\": %d, \"level\": %d, \"width\": %d, \"height\": %d, \"offset\": %llu, \"words\": ",
            lv->frame, lv->level, lv->width, lv->height, (unsigned long long)lv->offset);
    hex(lv->pixels, count * 2);
    for (gpu = 0; gpu < 2; ++gpu) {
        for (order = 0; order < 2; ++order) {
            const qfb_status status = (gpu ? qfb_expand_level_gpu : qfb_expand_level)(
                file, lv, order ? QFB_ORDER_BGRA : QFB_ORDER_RGBA, rgba, count * 4);
            if (status != QFB_OK) fail("expansion refused");
            fprintf(out, ", \"%s%s\": ", gpu ? "gpu" : "replicated", order ? "BGRA" : "RGBA");
            hex(rgba, count * 4);
        }
    }
    fputs(", \"convert\": {", out);
    for (target = 0; target <= 4; ++target) {
        const qfb_status status = qfb_convert_level(file, lv, (qfb_target)target, words, count * 2);
        fprintf(out, "%s\"%s\": {", target ? ", " : "", target < 4 ? TARGET_NAMES[target] : "NO_SUCH_TARGET");
        status_fields(status);
        if (status == QFB_OK) {
            fputs(", \"words\": ", out);
            hex(words, count * 2);
        }
        fputc('}', out);
    }
    fputs("}}", out);
    free(rgba);
    free(words);
}

/* One file: written to the folder, and its answers as one element of the "files" array. */
static void answer(const char* folder, const char* name, unsigned char* bytes, size_t size)
{
    char path[4096];
    FILE* f;
    qfb_file file;
    qfb_level lv;
    const qfb_status status = qfb_parse(bytes, size, &file);
    static int first = 1;
    snprintf(path, sizeof path, "%s/%s.qfb", folder, name);
    f = fopen(path, "wb");
    if (f == NULL || (size != 0 && fwrite(bytes, 1, size, f) != size) || fclose(f) != 0) fail("cannot write a file");
    fprintf(out, "%s\n{\"name\": \"%s\", \"file\": \"%s.qfb\", ", first ? "" : ",", name, name);
    first = 0;
    status_fields(status);
    if (status == QFB_OK) {
        const qfb_header* h = &file.header;
        int32_t filled = 0;
        int more;
        if (qfb_pixel_level_count(&file, &filled) != QFB_OK) fail("no count of levels with pixels");
        fprintf(out, ", \"header\": {\"width\": %d, \"height\": %d, \"format\": \"%s\", \"fps\": %d, \"frameCount\": %d, "
                     "\"mipmapCount\": %d}, \"pixelLevelCount\": %d, \"size\": %llu",
                h->width, h->height, qfb_format_name(h->format), h->fps, h->frame_count, h->mipmap_count, filled,
                (unsigned long long)file.size);
        fputs(", \"levels\": [", out);
        for (more = qfb_first_level(&file, &lv); more; more = qfb_next_level(&file, &lv)) {
            if (lv.frame != 0 || lv.level != 0) fputs(",\n", out);
            level_answers(&file, &lv);
        }
        /* Lookups the library refuses. */
        fputs("], \"refused\": [", out);
        {
            const int32_t asks[][2] = {{h->frame_count, 0}, {0, h->mipmap_count + 1}, {-1, 0}, {0, -1}};
            size_t i;
            for (i = 0; i < sizeof asks / sizeof asks[0]; ++i) {
                fprintf(out, "%s{\"frame\": %d, \"level\": %d, ", i ? ", " : "", asks[i][0], asks[i][1]);
                status_fields(qfb_get_level(&file, asks[i][0], asks[i][1], &lv));
                fputc('}', out);
            }
        }
        fputc(']', out);
    }
    fputc('}', out);
    free(bytes);
}

/* A file with one header field set to value (field: byte offset of the 32-bit field). */
static void bad_field(const char* folder, const char* name, int offset, uint32_t value)
{
    const size_t size = sound_size(3, 2, 2, 1);
    unsigned char* bytes = make_file(3, 2, QFB_FORMAT_565, 5, 2, 1, size, 7);
    bytes[offset] = (unsigned char)value;
    bytes[offset + 1] = (unsigned char)(value >> 8);
    bytes[offset + 2] = (unsigned char)(value >> 16);
    bytes[offset + 3] = (unsigned char)(value >> 24);
    answer(folder, name, bytes, size);
}

int main(int argc, char** argv)
{
    char path[4096];
    const char* folder;
    int32_t format;
    if (argc != 2) fail("usage: web_answers FOLDER");
    folder = argv[1];
    snprintf(path, sizeof path, "%s/answers.json", folder);
    out = fopen(path, "w");
    if (out == NULL) fail("cannot write answers.json");
    fputs("{\"files\": [", out);

    /* Sound files: each format with frames and mipmaps down to empty levels, and every word. */
    answer(folder, "frames-1555", make_file(5, 3, QFB_FORMAT_1555, 12, 3, 2, sound_size(5, 3, 3, 2), 1),
           sound_size(5, 3, 3, 2));
    answer(folder, "frames-4444", make_file(6, 4, QFB_FORMAT_4444, 24, 2, 3, sound_size(6, 4, 2, 3), 2),
           sound_size(6, 4, 2, 3));
    answer(folder, "frames-565", make_file(7, 5, QFB_FORMAT_565, 1, 1, 1, sound_size(7, 5, 1, 1), 3),
           sound_size(7, 5, 1, 1));
    answer(folder, "no-pixels", make_file(0, 4, QFB_FORMAT_565, 30, 2, 1, QFB_HEADER_SIZE, 4), QFB_HEADER_SIZE);
    for (format = QFB_FORMAT_1555; format <= QFB_FORMAT_565; ++format) {
        char name[64];
        snprintf(name, sizeof name, "every-word-%s", qfb_format_name(format));
        answer(folder, name, make_file(256, 256, format, 60, 1, 0, sound_size(256, 256, 1, 0), 0),
               sound_size(256, 256, 1, 0));
    }

    /* One file for each refusal a file's bytes can cause. QFB_SIZE_OVERFLOW cannot be reached
     * from bytes within the limits the check applies first. */
    answer(folder, "empty", make_file(1, 1, 0, 1, 1, 0, 0, 5), 0);
    answer(folder, "too-short", make_file(1, 1, 0, 1, 1, 0, QFB_HEADER_SIZE, 5), QFB_HEADER_SIZE - 1);
    bad_field(folder, "bad-magic", 0, 0x62667151u);
    bad_field(folder, "bad-version", 4, 2);
    bad_field(folder, "bad-dimensions", 12, 0x80000000u);
    bad_field(folder, "bad-format", 16, 3);
    bad_field(folder, "bad-fps", 20, 0);
    bad_field(folder, "bad-frame-count", 24, 0);
    bad_field(folder, "bad-mipmap-count", 28, 0xFFFFFFFFu);
    bad_field(folder, "side-too-large", 8, QFB_MAX_SIDE + 1);
    bad_field(folder, "too-many-mipmaps", 28, QFB_MAX_MIPMAPS + 1);
    bad_field(folder, "too-many-frames", 24, QFB_MAX_FRAMES + 1);
    answer(folder, "cut-short", make_file(3, 2, QFB_FORMAT_4444, 5, 2, 1, sound_size(3, 2, 2, 1), 8),
           sound_size(3, 2, 2, 1) - 1);
    answer(folder, "extra-bytes", make_file(3, 2, QFB_FORMAT_4444, 5, 2, 1, sound_size(3, 2, 2, 1) + 1, 9),
           sound_size(3, 2, 2, 1) + 1);

    fputs("\n], \"uploadFacts\": {", out);
    for (format = QFB_FORMAT_1555; format <= QFB_FORMAT_565; ++format) {
        const qfb_upload* u = qfb_upload_facts(format);
        fprintf(out,
                "%s\"%s\": {\"glInternalFormat\": %u, \"glFormat\": %u, \"glType\": %u, \"glTarget\": \"%s\", "
                "\"glesInternalFormat\": %u, \"glesFormat\": %u, \"glesType\": %u, \"glesTarget\": \"%s\", "
                "\"vulkanFormat\": %u, \"vulkanTarget\": \"%s\", \"dxgiFormat\": %u, \"dxgiTarget\": \"%s\", "
                "\"metalFormat\": %u, \"metalTarget\": \"%s\"}",
                format ? ", " : "", qfb_format_name(format), (unsigned)u->gl_internal_format, (unsigned)u->gl_format,
                (unsigned)u->gl_type, TARGET_NAMES[u->gl_target], (unsigned)u->gles_internal_format,
                (unsigned)u->gles_format, (unsigned)u->gles_type, TARGET_NAMES[u->gles_target],
                (unsigned)u->vulkan_format, TARGET_NAMES[u->vulkan_target], (unsigned)u->dxgi_format,
                TARGET_NAMES[u->dxgi_target], (unsigned)u->metal_format, TARGET_NAMES[u->metal_target]);
    }
    fputs("}, \"statusNames\": [", out);
    {
        int status;
        for (status = 0; qfb_status_name((qfb_status)status) != NULL; ++status)
            fprintf(out, "%s\"%s\"", status ? ", " : "", qfb_status_name((qfb_status)status));
    }
    fprintf(out, "], \"maxFileSize\": %llu}\n", (unsigned long long)qfb_max_file_size());
    if (ferror(out) || fclose(out) != 0) fail("cannot write answers.json");
    return 0;
}
