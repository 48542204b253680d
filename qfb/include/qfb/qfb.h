/* libqfb: the QFB file format. A QFB file is a 32-byte header (the bytes ".qfb", then seven
 * little-endian 32-bit fields: version 1, width, height, pixel format, fps, frame count, mipmap
 * count) followed by every level of every frame as 16-bit little-endian pixel words: frame after
 * frame, each frame its full-size level then its mipmap levels, each level halving the one above
 * (rounded down), rows top first, nothing in between and nothing after.
 *
 * The library checks a file before it gives access to anything, reads only the bytes it is
 * given, allocates nothing, keeps no global state and may be called from several threads at
 * once (on different qfb_file values, or on the same one read-only). C99 and C++. */
#ifndef QFB_QFB_H
#define QFB_QFB_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
/* The DLL exports the API alone; a program calls it through the import library or links the
 * static library, and needs no declaration of its own either way. */
#if defined(QFB_BUILDING_DLL)
#define QFB_API __declspec(dllexport)
#else
#define QFB_API
#endif
#elif defined(__GNUC__)
#define QFB_API __attribute__((visibility("default")))
#else
#define QFB_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define QFB_VERSION_MAJOR 1
#define QFB_VERSION_MINOR 0
#define QFB_VERSION_PATCH 0
/* The version of this header as one number: major x 10000 + minor x 100 + patch. */
#define QFB_VERSION (QFB_VERSION_MAJOR * 10000 + QFB_VERSION_MINOR * 100 + QFB_VERSION_PATCH)

/* The version of the library actually linked, in the form of QFB_VERSION. */
QFB_API int qfb_version(void);

#define QFB_HEADER_SIZE 32 /* the magic and seven 32-bit fields */
#define QFB_FILE_VERSION 1 /* the only value of the field after the magic */
/* Widest or tallest full-size level: makeqfb refuses a larger Targa image. */
#define QFB_MAX_SIDE 32767
/* Most mipmap levels a frame has: level letters of the naming convention end at character 255. */
#define QFB_MAX_MIPMAPS 159
/* Largest file makeqfb writes: room for 19 frames of 1024 x 512 or 14 of 1024 x 682. */
#define QFB_MAX_FILE_SIZE 20552092
/* Most frames: what the largest file holds at the smallest non-empty frame (one 2-byte pixel);
 * only empty frames could claim more, and they would only cost time to walk. */
#define QFB_MAX_FRAMES ((QFB_MAX_FILE_SIZE - QFB_HEADER_SIZE) / 2)

/* Pixel format codes, as stored in the header. Each layout's fields are described once, by
 * qfb_format_fields; the encoder, the expansion and every tool's dithering work from it. */
enum { QFB_FORMAT_1555 = 0, QFB_FORMAT_4444 = 1, QFB_FORMAT_565 = 2 };

/* What a check found, or why a call refused. QFB_OK is 0; the numbers never change. */
typedef enum qfb_status {
    QFB_OK = 0,
    QFB_TOO_SHORT,         /* fewer than QFB_HEADER_SIZE bytes */
    QFB_BAD_MAGIC,         /* the first four bytes are not ".qfb" */
    QFB_BAD_VERSION,       /* the field after the magic is not 1 */
    QFB_BAD_DIMENSIONS,    /* width or height negative */
    QFB_BAD_FORMAT,        /* not 0 (1555), 1 (4444) or 2 (565) */
    QFB_BAD_FPS,           /* 0 or negative */
    QFB_BAD_FRAME_COUNT,   /* 0 or negative */
    QFB_BAD_MIPMAP_COUNT,  /* negative */
    QFB_SIDE_TOO_LARGE,    /* width or height above QFB_MAX_SIDE */
    QFB_TOO_MANY_MIPMAPS,  /* above QFB_MAX_MIPMAPS */
    QFB_TOO_MANY_FRAMES,   /* above QFB_MAX_FRAMES */
    QFB_SIZE_OVERFLOW,     /* the size the header implies does not fit in 64 bits */
    QFB_CUT_SHORT,         /* fewer bytes than the header implies */
    QFB_EXTRA_BYTES,       /* more bytes than the header implies */
    QFB_OUT_OF_RANGE,      /* no such frame, level or row */
    QFB_BUFFER_TOO_SMALL,  /* the caller's buffer cannot hold the result */
    QFB_BAD_ARGUMENT,      /* a null pointer, an unchecked file, or a level not of this file */
    QFB_NO_ALPHA           /* 4444 asked of pixels without alpha (a 24-bit image packs as 1555) */
} qfb_status;

/* The header's fields. In the file fps stands before the frame and mipmap counts. */
typedef struct qfb_header {
    int32_t width, height;  /* of the full-size level, in pixels */
    int32_t format;         /* QFB_FORMAT_1555, QFB_FORMAT_4444 or QFB_FORMAT_565 */
    int32_t fps;            /* playback rate, at least 1 */
    int32_t frame_count;    /* at least 1 */
    int32_t mipmap_count;   /* reduced levels per frame; 0 = full size only */
} qfb_header;

/* A checked file (qfb_parse, qfb_check) or the layout of one to be written (qfb_layout).
 * Filled by the library; read its fields, never change them. */
typedef struct qfb_file {
    qfb_status status;   /* what the call that filled it returned */
    qfb_header header;   /* valid on QFB_OK, and on a refusal from QFB_SIDE_TOO_LARGE on */
    uint64_t frame_size; /* bytes of one frame, all its levels (valid with size) */
    uint64_t size;       /* bytes the header implies; valid on QFB_OK, QFB_CUT_SHORT, QFB_EXTRA_BYTES */
    const uint8_t* data; /* the parsed bytes (qfb_parse on QFB_OK), else NULL */
} qfb_file;

/* One level of one frame: where it is and how large. */
typedef struct qfb_level {
    int32_t frame;          /* from 0, in file order */
    int32_t level;          /* 0 = full size, 1 .. mipmap_count reduced */
    int32_t width, height;  /* in pixels; a side halved to 0 makes an empty level */
    uint64_t offset;        /* of its first byte from the start of the file */
    uint64_t size;          /* bytes: width x height x 2 */
    const uint8_t* pixels;  /* its words inside the parsed bytes; NULL when there are none */
} qfb_level;

/* Channel order of expanded pixels: 4 bytes a pixel, red first or blue first. */
typedef enum qfb_order { QFB_ORDER_RGBA = 0, QFB_ORDER_BGRA = 1 } qfb_order;

/* A short lower-case description of a status ("not a QFB file (wrong magic)"), never NULL. */
QFB_API const char* qfb_status_text(qfb_status status);
/* The name of a status as this header spells it ("QFB_CUT_SHORT"); NULL for a number that is no
 * status. Statuses are numbered from 0 without a gap: asking from 0 up to the first NULL lists
 * them all, which is how a binding in another language takes their names. */
QFB_API const char* qfb_status_name(qfb_status status);

/* QFB_MAX_FILE_SIZE, for a program that takes the limit from the library it runs with. */
QFB_API uint64_t qfb_max_file_size(void);

/* "1555", "4444" or "565" for a format code; NULL for any other value. */
QFB_API const char* qfb_format_name(int32_t format);
/* The code of "1555", "4444" or "565", compared exactly, into *format; QFB_BAD_FORMAT for any
 * other text, QFB_BAD_ARGUMENT for a null pointer (*format is then left as it was). */
QFB_API qfb_status qfb_format_from_name(const char* name, int32_t* format);
/* The same as a bare number: the code, or -1 for any other text (or NULL). */
QFB_API int32_t qfb_format_code(const char* name);

/* One field of a 16-bit word: its lowest bit (0 = least significant) and its width in bits. */
typedef struct qfb_field {
    uint8_t shift, bits;
} qfb_field;
/* The fields of a format's words, in the order blue, green, red, alpha; NULL for an unknown code.
 * 1555: blue 0-4, green 5-9, red 10-14, and a 1-bit alpha field in bit 15 that is a flag, set
 * for a fully transparent pixel (alpha exactly 0) and clear for every other; 4444: blue 0-3,
 * green 4-7, red 8-11, alpha 12-15; 565: blue 0-4, green 5-10, red 11-15, no alpha (0 bits). */
QFB_API const qfb_field* qfb_format_fields(int32_t format);

/* The format pixels of bytes_per_pixel bytes are packed in when format is asked for: 1555 for
 * 4444 asked of 3-byte pixels, which have no alpha to keep; format itself otherwise. */
QFB_API int32_t qfb_packed_format(int32_t format, int bytes_per_pixel);

/* Encodes count pixels of 3 bytes (blue, green, red) or 4 (blue, green, red, alpha) into count
 * little-endian words of format at words, by truncation: each field keeps the top bits of its
 * channel, never rounded; 1555's flag is set where alpha is exactly 0 (never for 3-byte pixels);
 * 565 passes alpha over. QFB_NO_ALPHA for 3-byte pixels and 4444, QFB_BAD_FORMAT for an unknown
 * code, QFB_BAD_ARGUMENT for another pixel size, or a null or odd words address with a count.
 * Pixels and words must not overlap. */
QFB_API qfb_status qfb_encode_pixels(const void* pixels, size_t count, int bytes_per_pixel, int32_t format,
                                     void* words);

/* Lays the header out in file order into out (the magic, version 1, then the fields). */
QFB_API void qfb_encode_header(const qfb_header* header, uint8_t out[QFB_HEADER_SIZE]);

/* Checks a whole file held in memory, size bytes at data, and fills *file. On QFB_OK the file's
 * levels can be reached with qfb_get_level and the walk; on any other status nothing can.
 * Checks: magic, version, format, every field in range, the size the header implies (in
 * overflow-checked 64-bit arithmetic) equal to size. Only the bytes given are read. */
QFB_API qfb_status qfb_parse(const void* data, size_t size, qfb_file* file);

/* The same checks from the file's first bytes alone (head_size of them, at most
 * QFB_HEADER_SIZE are read) and its total size: for a reader that checks a file before it
 * reads the pixels. *file then gives the levels' places, without pixels (data is NULL). */
QFB_API qfb_status qfb_check(const void* head, size_t head_size, uint64_t file_size, qfb_file* file);

/* The layout of a file to be written from its header: width, height, frame and mipmap counts
 * are checked to be non-negative (frames at least 1) and the whole size to fit in 64 bits;
 * fps and format are not looked at. *file then gives the size and the levels' places. */
QFB_API qfb_status qfb_layout(const qfb_header* header, qfb_file* file);

/* Level `level` (0 = full size) of frame `frame` (from 0) of a checked file or layout.
 * QFB_OUT_OF_RANGE when there is no such frame or level. */
QFB_API qfb_status qfb_get_level(const qfb_file* file, int32_t frame, int32_t level, qfb_level* out);

/* The walk over every level of every frame in file order:
 *     for (int more = qfb_first_level(&file, &level); more; more = qfb_next_level(&file, &level))
 * qfb_first_level fills frame 0 level 0 and returns 1 (0 for a file that is not checked).
 * qfb_next_level moves *level to the next level and returns 1, or returns 0 after the last. */
QFB_API int qfb_first_level(const qfb_file* file, qfb_level* level);
QFB_API int qfb_next_level(const qfb_file* file, qfb_level* level);

/* A level has pixels unless a side has been halved to 0; every level after an empty one in a
 * frame is empty too, and every frame has the same levels. So a header may claim millions of
 * frames of 160 empty levels in a file of 32 bytes: a reader that lists, writes or uploads levels
 * one by one takes the ones with pixels, each at least 2 bytes of the file, and its work is then
 * bounded by the file's size.
 *
 * The number of levels with pixels in each frame of a checked file or layout into *count: levels
 * 0 .. count - 1 have pixels, count .. mipmap_count none. 0 when the full-size level is empty
 * (no frame has a pixel); at most 15 in a checked file (QFB_MAX_SIDE halves to 0 in 15 steps).
 * QFB_BAD_ARGUMENT for a null pointer or a file that is not checked. */
QFB_API qfb_status qfb_pixel_level_count(const qfb_file* file, int32_t* count);

/* The walk over the levels with pixels alone, in file order, as qfb_first_level and
 * qfb_next_level walk every level: each call takes one step, whatever the header claims.
 * qfb_first_pixel_level returns 0 for a file without pixels (or one not checked);
 * qfb_next_pixel_level moves *level to the next level with pixels (from any level of the file)
 * and returns 1, or returns 0 after the last. */
QFB_API int qfb_first_pixel_level(const qfb_file* file, qfb_level* level);
QFB_API int qfb_next_pixel_level(const qfb_file* file, qfb_level* level);

/* The first word of row `row` (0 = top) of a level that has pixels; NULL when it has none or
 * the row is outside 0 .. height - 1. A row is width little-endian 16-bit words. */
QFB_API const uint8_t* qfb_level_row(const qfb_level* level, int32_t row);

/* Expands count little-endian words at words into 4 x count bytes at out, in the given channel
 * order, by bit replication: a field's bits are repeated below themselves (a 5-bit v gives
 * (v << 3) | (v >> 2), a 6-bit v (v << 2) | (v >> 4), a 4-bit v gives v x 17). 1555 gives alpha 0
 * where the flag is set and 255 where it is clear; 565 gives 255. Any other format gives opaque
 * black. The caller provides both buffers. */
QFB_API void qfb_expand_words(const void* words, size_t count, int32_t format, qfb_order order, void* out);

/* Expands a whole level of a parsed file (from qfb_get_level or the walk) into out, rows top
 * first, 4 bytes a pixel. QFB_BUFFER_TOO_SMALL when out_size is under width x height x 4;
 * QFB_BAD_ARGUMENT when the level has no pixels or is not a level of this file. */
QFB_API qfb_status qfb_expand_level(const qfb_file* file, const qfb_level* level, qfb_order order, void* out,
                                    size_t out_size);

/* The same, with each field shown as a GPU shows it when it samples, blits or draws the texture:
 * round(v x 255 / max), where max is the field's largest value. It differs from bit replication
 * in 4 of the 32 five-bit values and 10 of the 64 six-bit values; 4-bit and 1-bit fields are the
 * same either way. */
QFB_API void qfb_expand_words_gpu(const void* words, size_t count, int32_t format, qfb_order order, void* out);
QFB_API qfb_status qfb_expand_level_gpu(const qfb_file* file, const qfb_level* level, qfb_order order, void* out,
                                        size_t out_size);

/* Word layouts a GPU API takes where it has no type for the stored one. Each is a little-endian
 * 16-bit word, bit 15 .. 0:
 *   QFB_TARGET_AS_STORED  the file's own words, for any format (a plain copy);
 *   QFB_TARGET_RGBA4444   RRRR GGGG BBBB AAAA, 4444 rotated left by 4 bits (OpenGL ES and WebGL
 *                         GL_UNSIGNED_SHORT_4_4_4_4, Vulkan R4G4B4A4, Metal ABGR4Unorm);
 *   QFB_TARGET_RGBA5551   RRRRR GGGGG BBBBB A from 1555, A = 1 for an opaque pixel (OpenGL ES and
 *                         WebGL GL_UNSIGNED_SHORT_5_5_5_1);
 *   QFB_TARGET_ARGB1555   A RRRRR GGGGG BBBBB from 1555, the flag inverted so that A = 1 is opaque
 *                         (OpenGL _REV, Vulkan A1R5G5B5, Direct3D B5G5R5A1, Metal BGR5A1Unorm). */
typedef enum qfb_target {
    QFB_TARGET_AS_STORED = 0,
    QFB_TARGET_RGBA4444 = 1,
    QFB_TARGET_RGBA5551 = 2,
    QFB_TARGET_ARGB1555 = 3
} qfb_target;

/* Converts count words of format at words into count words of target at out (whole levels or
 * row by row). QFB_BAD_FORMAT when the target does not apply to the format (RGBA4444 is made
 * from 4444 only, RGBA5551 and ARGB1555 from 1555 only) or the format is unknown;
 * QFB_BAD_ARGUMENT for an unknown target, or a null address with a count. words and out may be
 * the same buffer, but must not overlap otherwise. */
QFB_API qfb_status qfb_convert_words(const void* words, size_t count, int32_t format, qfb_target target, void* out);
/* A whole level of a parsed file into out: QFB_BUFFER_TOO_SMALL when out_size is under the
 * level's size; otherwise as qfb_convert_words and qfb_expand_level. */
QFB_API qfb_status qfb_convert_level(const qfb_file* file, const qfb_level* level, qfb_target target, void* out,
                                     size_t out_size);

/* How each GPU API takes a format's levels, as numbers (no API header is needed): the values
 * of its enums and the word layout to convert to first (QFB_TARGET_AS_STORED: upload the
 * file's bytes as they are). Desktop OpenGL 3.3 and later; OpenGL ES 3.0 and later and WebGL 2
 * (unpack alignment 2 or less); Vulkan (4444 as A4R4G4B4, core since Vulkan 1.3); DXGI for
 * Direct3D 10 to 12 (4444 and 1555 need Direct3D 11.1 on Windows 8 or later); Metal (these
 * 16-bit formats exist on Apple GPUs only, not on Intel or AMD Macs). */
typedef struct qfb_upload {
    uint32_t gl_internal_format, gl_format, gl_type;
    qfb_target gl_target;
    uint32_t gles_internal_format, gles_format, gles_type;
    qfb_target gles_target;
    uint32_t vulkan_format; /* VkFormat */
    qfb_target vulkan_target;
    uint32_t dxgi_format; /* DXGI_FORMAT */
    qfb_target dxgi_target;
    uint32_t metal_format; /* MTLPixelFormat */
    qfb_target metal_target;
} qfb_upload;

/* The upload facts of a format code; NULL for an unknown one. */
QFB_API const qfb_upload* qfb_upload_facts(int32_t format);

#ifdef __cplusplus
}
#endif

#endif /* QFB_QFB_H */
