/* The C side of bench/web_speed.sh: writes the benchmark's QFB file through libqfb's write side,
 * and times qfb_parse plus the expansion of every level of every frame, the work the web
 * module's open and expand do in Node.
 *   web_expand_timing make FILE        a 1024 x 512 4444 file of 14 frames and 10 mipmaps
 *   web_expand_timing time FILE RUNS   the median milliseconds of RUNS runs, for each form */
#define _POSIX_C_SOURCE 199309L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "qfb/qfb.h"

static int fail(const char* what)
{
    printf("web_expand_timing: %s\n", what);
    return 1;
}

static int make(const char* path)
{
    const qfb_header header = {1024, 512, QFB_FORMAT_4444, 12, 14, 10};
    qfb_file layout;
    unsigned char* bytes;
    uint64_t i;
    unsigned seed = 1;
    FILE* f;
    int ok;
    if (qfb_layout(&header, &layout) != QFB_OK || layout.size > QFB_MAX_FILE_SIZE) return fail("no layout");
    bytes = (unsigned char*)malloc((size_t)layout.size);
    if (bytes == NULL) return fail("out of memory");
    qfb_encode_header(&header, bytes);
    for (i = QFB_HEADER_SIZE; i < layout.size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = (unsigned char)(seed >> 16);
    }
    f = fopen(path, "wb");
    ok = f != NULL && fwrite(bytes, 1, (size_t)layout.size, f) == (size_t)layout.size;
    if (f != NULL && fclose(f) != 0) ok = 0;
    free(bytes);
    return ok ? 0 : fail("cannot write the file");
}

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

static int compare(const void* a, const void* b)
{
    const double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

/* Parses and expands every level into one buffer the size of the largest; the milliseconds. */
static double run(const unsigned char* bytes, size_t size, unsigned char* out, size_t out_size, int gpu)
{
    const double start = now_ms();
    qfb_file file;
    qfb_level lv;
    int more;
    if (qfb_parse(bytes, size, &file) != QFB_OK) return -1;
    for (more = qfb_first_level(&file, &lv); more; more = qfb_next_level(&file, &lv))
        if ((gpu ? qfb_expand_level_gpu : qfb_expand_level)(&file, &lv, QFB_ORDER_RGBA, out, out_size) != QFB_OK)
            return -1;
    return now_ms() - start;
}

static int time_file(const char* path, int runs)
{
    FILE* f = fopen(path, "rb");
    unsigned char *bytes, *out;
    long size;
    int gpu, i;
    double* times;
    if (f == NULL || fseek(f, 0, SEEK_END) != 0 || (size = ftell(f)) < 0 || fseek(f, 0, SEEK_SET) != 0)
        return fail("cannot read the file");
    bytes = (unsigned char*)malloc((size_t)size + 1);
    times = (double*)malloc(sizeof(double) * (size_t)runs);
    if (bytes == NULL || times == NULL || fread(bytes, 1, (size_t)size, f) != (size_t)size) return fail("cannot read");
    fclose(f);
    {
        qfb_file file;
        qfb_level top;
        if (qfb_parse(bytes, (size_t)size, &file) != QFB_OK || qfb_get_level(&file, 0, 0, &top) != QFB_OK)
            return fail("not a sound file");
        out = (unsigned char*)malloc((size_t)top.size * 2 + 1);
        if (out == NULL) return fail("out of memory");
        for (gpu = 0; gpu < 2; ++gpu) {
            run(bytes, (size_t)size, out, (size_t)top.size * 2, gpu); /* warm */
            for (i = 0; i < runs; ++i) times[i] = run(bytes, (size_t)size, out, (size_t)top.size * 2, gpu);
            qsort(times, (size_t)runs, sizeof times[0], compare);
            if (times[0] < 0) return fail("refused");
            printf("%s %.3f\n", gpu ? "gpu" : "replicated", times[runs / 2]);
        }
    }
    free(out);
    free(times);
    free(bytes);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "make") == 0) return make(argv[2]);
    if (argc == 4 && strcmp(argv[1], "time") == 0 && atoi(argv[3]) > 0) return time_file(argv[2], atoi(argv[3]));
    return fail("usage: web_expand_timing make FILE | time FILE RUNS");
}
