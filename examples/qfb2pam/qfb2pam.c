/* qfb2pam: writes one level of one frame of a QFB file as a netpbm PAM image with alpha
 * (TUPLTYPE RGB_ALPHA), an example of reading QFB files with libqfb.
 *
 *     qfb2pam FILE.qfb FRAME LEVEL OUT.pam     (FRAME from 0, LEVEL 0 = full size)
 *
 * The file is read whole into memory, checked by qfb_parse, and the level expanded to 8-bit
 * RGBA by qfb_expand_level. Exit status 0 on success, 1 on any failure, with a message. */
#include <stdio.h>
#include <stdlib.h>

#include <qfb/qfb.h>

/* Reads the whole file into a new block; NULL on failure. */
static unsigned char* read_file(const char* name, size_t* size)
{
    FILE* in = fopen(name, "rb");
    unsigned char* bytes = NULL;
    long length;
    if (in == NULL) return NULL;
    if (fseek(in, 0, SEEK_END) == 0 && (length = ftell(in)) >= 0 && fseek(in, 0, SEEK_SET) == 0) {
        bytes = (unsigned char*)malloc(length > 0 ? (size_t)length : 1);
        if (bytes != NULL && fread(bytes, 1, (size_t)length, in) != (size_t)length) {
            free(bytes);
            bytes = NULL;
        }
        *size = (size_t)length;
    }
    fclose(in);
    return bytes;
}

static int write_pam(const char* name, const qfb_level* level, const unsigned char* rgba)
{
    FILE* out = fopen(name, "wb");
    const size_t bytes = (size_t)level->width * (size_t)level->height * 4;
    int ok;
    if (out == NULL) return 0;
    ok = fprintf(out, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", (int)level->width,
                 (int)level->height) > 0;
    ok = ok && fwrite(rgba, 1, bytes, out) == bytes;
    return fclose(out) == 0 && ok;
}

int main(int argc, char** argv)
{
    qfb_file file;
    qfb_level level;
    qfb_status status;
    unsigned char* data;
    unsigned char* rgba;
    size_t size = 0;
    int ok;
    if (argc != 5) {
        printf("usage: qfb2pam FILE.qfb FRAME LEVEL OUT.pam   (libqfb %d)\n", qfb_version());
        return 1;
    }
    data = read_file(argv[1], &size);
    if (data == NULL) {
        printf("Couldn't read %s\n", argv[1]);
        return 1;
    }
    status = qfb_parse(data, size, &file);
    if (status == QFB_OK) status = qfb_get_level(&file, atoi(argv[2]), atoi(argv[3]), &level);
    if (status != QFB_OK) {
        printf("%s: %s\n", argv[1], qfb_status_text(status));
        free(data);
        return 1;
    }
    /* The level's size is checked: width x height x 4 bytes of RGBA fit in what was read. */
    rgba = (unsigned char*)malloc((size_t)level.size * 2 + 1);
    status = rgba != NULL ? qfb_expand_level(&file, &level, QFB_ORDER_RGBA, rgba, (size_t)level.size * 2)
                          : QFB_BUFFER_TOO_SMALL;
    ok = status == QFB_OK && write_pam(argv[4], &level, rgba);
    if (!ok) printf("Couldn't write %s: %s\n", argv[4], qfb_status_text(status));
    else printf("%s: frame %s level %s, %d x %d %s -> %s\n", argv[1], argv[2], argv[3], (int)level.width,
                (int)level.height, qfb_format_name(file.header.format), argv[4]);
    free(rgba);
    free(data);
    return ok ? 0 : 1;
}
