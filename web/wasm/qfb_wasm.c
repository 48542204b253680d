/* What the JavaScript module needs beside libqfb's own exports in its WebAssembly build: a place
 * for the header bytes, the check, one level's geometry and the count of levels with pixels
 * through scalar arguments and results (no structure crosses the boundary; a 64-bit size crosses
 * as a double), and an arena that holds the words and the results of one call. The library
 * allocates nothing; this file keeps the only state. */
#include <stddef.h>
#include <stdint.h>

#include "qfb/qfb.h"

#define EXPORT __attribute__((visibility("default")))

/* The arena starts where the linker ends the static data and the stack. */
extern unsigned char __heap_base;
static const size_t PAGE = 65536;

static uint8_t head[QFB_HEADER_SIZE];
static qfb_file checked;
static qfb_level found;

/* Where the caller puts a file's first bytes (at most qfbw_header_size()) before the calls below. */
EXPORT uint8_t* qfbw_head(void) { return head; }
EXPORT int qfbw_header_size(void) { return QFB_HEADER_SIZE; }

/* Sizes come as doubles, which hold every byte count a JavaScript buffer can have. */
static uint64_t byte_count(double size) { return size > 0 ? (uint64_t)size : 0; }

/* Checks the file whose first head_size bytes are at qfbw_head() and whose size is file_size. */
EXPORT int qfbw_check(size_t head_size, double file_size)
{
    return qfb_check(head, head_size, byte_count(file_size), &checked);
}

/* QFB_MAX_FILE_SIZE, as the library gives it. */
EXPORT double qfbw_max_file_size(void) { return (double)qfb_max_file_size(); }

/* Field `index` of the header of the last check: width, height, format, fps, frame count, mipmap
 * count; 0 for another index. */
EXPORT int32_t qfbw_header_field(int index)
{
    const qfb_header* h = &checked.header;
    switch (index) {
    case 0: return h->width;
    case 1: return h->height;
    case 2: return h->format;
    case 3: return h->fps;
    case 4: return h->frame_count;
    case 5: return h->mipmap_count;
    }
    return 0;
}

/* The levels with pixels in each frame of the file of the last check. */
EXPORT int32_t qfbw_pixel_level_count(void)
{
    int32_t count = 0;
    return qfb_pixel_level_count(&checked, &count) == QFB_OK ? count : 0;
}

/* Checks the file again and looks its level up; the geometry is then read with the calls below. */
EXPORT int qfbw_level(size_t head_size, double file_size, int32_t frame, int32_t level)
{
    const qfb_status status = qfbw_check(head_size, file_size);
    return status != QFB_OK ? status : qfb_get_level(&checked, frame, level, &found);
}
EXPORT int32_t qfbw_level_width(void) { return found.width; }
EXPORT int32_t qfbw_level_height(void) { return found.height; }
EXPORT double qfbw_level_offset(void) { return (double)found.offset; }

/* Field `index` of a format's upload facts, in the order of struct qfb_upload; 0 for an unknown
 * format or index. */
EXPORT uint32_t qfbw_upload_fact(int32_t format, int index)
{
    const qfb_upload* u = qfb_upload_facts(format);
    const uint32_t fields[14] = {u ? u->gl_internal_format : 0, u ? u->gl_format : 0, u ? u->gl_type : 0,
                                 u ? (uint32_t)u->gl_target : 0, u ? u->gles_internal_format : 0,
                                 u ? u->gles_format : 0, u ? u->gles_type : 0, u ? (uint32_t)u->gles_target : 0,
                                 u ? u->vulkan_format : 0, u ? (uint32_t)u->vulkan_target : 0,
                                 u ? u->dxgi_format : 0, u ? (uint32_t)u->dxgi_target : 0,
                                 u ? u->metal_format : 0, u ? (uint32_t)u->metal_target : 0};
    return u != NULL && index >= 0 && index < 14 ? fields[index] : 0;
}

/* The arena, made to hold at least `size` bytes (memory grows as needed and never shrinks):
 * its start, 16-byte aligned, or NULL when memory cannot grow that far. Each call may move what
 * the caller sees of memory, never the arena's start. */
EXPORT uint8_t* qfbw_arena(double size)
{
    const uintptr_t start = ((uintptr_t)&__heap_base + 15u) & ~(uintptr_t)15u;
    const uint64_t end = (uint64_t)start + byte_count(size);
    const uint64_t have = (uint64_t)__builtin_wasm_memory_size(0) * PAGE;
    if (end > have) {
        const uint64_t pages = (end - have + PAGE - 1) / PAGE;
        if (pages > 65536 || __builtin_wasm_memory_grow(0, (size_t)pages) == (size_t)-1) return NULL;
    }
    return (uint8_t*)start;
}
