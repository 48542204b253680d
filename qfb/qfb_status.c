/* The statuses in words: each status's name as qfb.h spells it and its text, one row a status
 * (see qfb.h). The bindings (WebAssembly, Python) take both from here at run time. */
#include "qfb/qfb.h"

/* One row: the case, the name made from the enumerator itself (so it cannot be misspelled), the
 * text. The switch has no default, so a status without a row is a compiler warning. */
#define STATUS(status, text) \
    case status: *name = #status; return text;

/* The text of a status, and its name into *name; "unknown status" and NULL for another number. */
static const char* describe(qfb_status status, const char** name)
{
    switch (status) {
    STATUS(QFB_OK, "a sound QFB file")
    STATUS(QFB_TOO_SHORT, "too short for a QFB header")
    STATUS(QFB_BAD_MAGIC, "not a QFB file (wrong magic)")
    STATUS(QFB_BAD_VERSION, "unknown QFB version (constant field is not 1)")
    STATUS(QFB_BAD_DIMENSIONS, "width or height out of range")
    STATUS(QFB_BAD_FORMAT, "unknown pixel format")
    STATUS(QFB_BAD_FPS, "fps out of range")
    STATUS(QFB_BAD_FRAME_COUNT, "frame count out of range")
    STATUS(QFB_BAD_MIPMAP_COUNT, "mipmap count out of range")
    STATUS(QFB_SIDE_TOO_LARGE, "width or height above 32767 pixels")
    STATUS(QFB_TOO_MANY_MIPMAPS, "more than 159 mipmaps per frame")
    STATUS(QFB_TOO_MANY_FRAMES, "more frames than a QFB file can hold")
    STATUS(QFB_SIZE_OVERFLOW, "its header describes more than 2^64 bytes")
    STATUS(QFB_CUT_SHORT, "it is cut short")
    STATUS(QFB_EXTRA_BYTES, "bytes after the last level")
    STATUS(QFB_OUT_OF_RANGE, "no such frame, level or row")
    STATUS(QFB_BUFFER_TOO_SMALL, "the buffer is too small")
    STATUS(QFB_BAD_ARGUMENT, "a null pointer, an unchecked file or a level of another file")
    STATUS(QFB_NO_ALPHA, "4444 needs pixels with alpha: an image without alpha packs as 1555")
    }
    *name = NULL;
    return "unknown status";
}

const char* qfb_status_text(qfb_status status)
{
    const char* name;
    return describe(status, &name);
}

const char* qfb_status_name(qfb_status status)
{
    const char* name;
    describe(status, &name);
    return name;
}
