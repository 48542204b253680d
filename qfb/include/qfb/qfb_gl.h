/* qfb_gl.h: uploads a checked QFB file as one OpenGL texture, header only. Include it after the
 * engine's own GL header or loader (<GL/glcorearb.h>, <GL/gl.h> with <GL/glext.h>,
 * <GLES3/gl3.h>, or a loader that declares the same names): it calls whatever GL functions the
 * includer declares, and needs GL 3.3 or later, or OpenGL ES 3.0 or later (WebGL 2), and libqfb
 * linked as for qfb.h. C99 and C++.
 *
 *     qfb_file file;
 *     qfb_gl_texture tex;
 *     if (qfb_parse(bytes, size, &file) == QFB_OK && qfb_gl_upload(&file, QFB_GL_API, &tex) == QFB_GL_OK)
 *         draw_with(tex.name, tex.target);
 *
 * A file of one frame becomes a GL_TEXTURE_2D, one of several frames a GL_TEXTURE_2D_ARRAY with
 * one layer a frame (layer f = frame f). Levels 0 .. tex.levels - 1 are uploaded: the chain
 * stops before the first empty level (a side halved to 0), and GL_TEXTURE_MAX_LEVEL is set to
 * its last level, so the texture is complete under any filter. Filters and wrap modes are left
 * to the caller.
 *
 * The words go up as stored where the API has a type for the file's layout, or converted first
 * (qfb_upload_facts gives both): desktop GL takes 565 and 4444 as they are and 1555 with its
 * flag inverted; OpenGL ES and WebGL take 565 as it is, 4444 rotated to RGBA4444 and 1555 as
 * RGBA5551. A conversion goes through one buffer of the size of the largest level, allocated
 * with QFB_GL_MALLOC (malloc unless defined before this header) and freed before the call
 * returns; so does a file whose bytes do not start at an even address, and every level on a
 * big-endian machine (GL takes words in the machine's byte order).
 *
 * The call unbinds GL_PIXEL_UNPACK_BUFFER, sets the unpack alignment to 2 and the unpack row
 * length, skips and image height to 0 while it uploads, and puts all of them back, with the
 * texture binding of the target on the active texture unit, before it returns. It reports the
 * first GL error it sees (an error still pending when it is called counts as its own), deleting
 * the texture it made; tex.name is 0 unless it returns QFB_GL_OK. */
#ifndef QFB_QFB_GL_H
#define QFB_QFB_GL_H

#include <stdlib.h>
#include <string.h>

#include "qfb.h"

#ifndef QFB_GL_MALLOC
#define QFB_GL_MALLOC(size) malloc(size)
#define QFB_GL_FREE(pointer) free(pointer)
#endif

/* Which API's upload facts apply: desktop OpenGL, or OpenGL ES and WebGL. */
typedef enum qfb_gl_api { QFB_GL_API_DESKTOP = 0, QFB_GL_API_ES = 1 } qfb_gl_api;

/* The API of the header included before this one: ES where it defines GL_ES_VERSION_3_0 (as
 * <GLES3/gl3.h> and Emscripten's WebGL headers do), desktop otherwise. Define QFB_GL_API before
 * including this header where a loader declares both. */
#ifndef QFB_GL_API
#ifdef GL_ES_VERSION_3_0
#define QFB_GL_API QFB_GL_API_ES
#else
#define QFB_GL_API QFB_GL_API_DESKTOP
#endif
#endif

typedef enum qfb_gl_status {
    QFB_GL_OK = 0,
    QFB_GL_REFUSED,   /* libqfb refused: the file is not checked (qfb_parse), or a level failed; see refusal */
    QFB_GL_EMPTY,     /* the full-size level has no pixels: nothing to upload */
    QFB_GL_NO_MEMORY, /* the conversion buffer could not be allocated */
    QFB_GL_ERROR      /* GL reported an error; see gl_error */
} qfb_gl_status;

typedef struct qfb_gl_texture {
    GLuint name;      /* the texture made, 0 on failure */
    GLenum target;    /* GL_TEXTURE_2D or GL_TEXTURE_2D_ARRAY */
    GLint levels;     /* levels uploaded; GL_TEXTURE_MAX_LEVEL is levels - 1 */
    GLsizei width, height, layers;
    qfb_status refusal; /* libqfb's status on QFB_GL_REFUSED, QFB_OK otherwise */
    GLenum gl_error;    /* the error on QFB_GL_ERROR, GL_NO_ERROR otherwise */
} qfb_gl_texture;

/* A short description of a status, never NULL. */
static inline const char* qfb_gl_status_text(qfb_gl_status status)
{
    switch (status) {
    case QFB_GL_OK: return "uploaded";
    case QFB_GL_REFUSED: return "refused by libqfb";
    case QFB_GL_EMPTY: return "the full-size level is empty";
    case QFB_GL_NO_MEMORY: return "no memory for the conversion buffer";
    case QFB_GL_ERROR: return "OpenGL reported an error";
    }
    return "unknown status";
}

/* The unpack state the upload sets, and the binding it changes, saved to be put back. */
typedef struct qfb_gl_saved_state_ {
    GLint alignment, row_length, skip_rows, skip_pixels, image_height, skip_images, unpack_buffer, texture;
} qfb_gl_saved_state_;

static inline void qfb_gl_save_state_(GLenum target, qfb_gl_saved_state_* s)
{
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &s->alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &s->row_length);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &s->skip_rows);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &s->skip_pixels);
    glGetIntegerv(GL_UNPACK_IMAGE_HEIGHT, &s->image_height);
    glGetIntegerv(GL_UNPACK_SKIP_IMAGES, &s->skip_images);
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &s->unpack_buffer);
    glGetIntegerv(target == GL_TEXTURE_2D ? GL_TEXTURE_BINDING_2D : GL_TEXTURE_BINDING_2D_ARRAY, &s->texture);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2); /* rows are whole 16-bit words, never padded */
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
    glPixelStorei(GL_UNPACK_SKIP_IMAGES, 0);
}

static inline void qfb_gl_restore_state_(GLenum target, const qfb_gl_saved_state_* s)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, s->alignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, s->row_length);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, s->skip_rows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, s->skip_pixels);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, s->image_height);
    glPixelStorei(GL_UNPACK_SKIP_IMAGES, s->skip_images);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, (GLuint)s->unpack_buffer);
    glBindTexture(target, (GLuint)s->texture);
}

/* The words of a level as GL takes them: its own bytes, or converted into buffer. NULL with
 * *refusal set when libqfb refuses. */
static inline const void* qfb_gl_level_words_(const qfb_file* file, const qfb_level* level, qfb_target target,
                                              int through_buffer, int swap, void* buffer, qfb_status* refusal)
{
    size_t i;
    uint8_t* bytes = (uint8_t*)buffer;
    if (!through_buffer) return level->pixels;
    *refusal = qfb_convert_level(file, level, target, buffer, (size_t)level->size);
    if (*refusal != QFB_OK) return NULL;
    for (i = 0; swap && i + 1 < (size_t)level->size; i += 2) {
        const uint8_t low = bytes[i];
        bytes[i] = bytes[i + 1];
        bytes[i + 1] = low;
    }
    return buffer;
}

/* Uploads every frame of a checked file (see the top of this header) and describes the texture
 * in *tex. api chooses the upload facts: QFB_GL_API for the header included before this one. A
 * null tex is refused (QFB_GL_REFUSED) with nothing touched. */
static inline qfb_gl_status qfb_gl_upload(const qfb_file* file, qfb_gl_api api, qfb_gl_texture* tex)
{
    const qfb_upload* facts;
    const uint16_t one = 1;
    int swap, through_buffer;
    GLenum internal_format, format, type, error;
    qfb_target target;
    qfb_level level;
    qfb_status refusal = QFB_OK;
    qfb_gl_saved_state_ saved;
    qfb_gl_status status = QFB_GL_OK;
    void* buffer = NULL;
    int32_t lv, frame;

    if (tex == NULL) return QFB_GL_REFUSED;
    memset(tex, 0, sizeof *tex);
    if (file == NULL || file->status != QFB_OK || file->data == NULL) {
        tex->refusal = QFB_BAD_ARGUMENT;
        return QFB_GL_REFUSED;
    }
    facts = qfb_upload_facts(file->header.format);
    if (api == QFB_GL_API_ES) {
        internal_format = facts->gles_internal_format;
        format = facts->gles_format;
        type = facts->gles_type;
        target = facts->gles_target;
    } else {
        internal_format = facts->gl_internal_format;
        format = facts->gl_format;
        type = facts->gl_type;
        target = facts->gl_target;
    }
    /* The chain: level 0 and each reduced level down to the last one with pixels. */
    while (tex->levels <= file->header.mipmap_count &&
           qfb_get_level(file, 0, tex->levels, &level) == QFB_OK && level.size > 0)
        ++tex->levels;
    if (tex->levels == 0) return QFB_GL_EMPTY;
    tex->width = file->header.width;
    tex->height = file->header.height;
    tex->layers = file->header.frame_count;
    tex->target = file->header.frame_count == 1 ? GL_TEXTURE_2D : GL_TEXTURE_2D_ARRAY;

    swap = *(const uint8_t*)&one == 0;
    through_buffer = target != QFB_TARGET_AS_STORED || swap || ((uintptr_t)file->data & 1u) != 0;
    if (through_buffer) {
        buffer = QFB_GL_MALLOC((size_t)((uint64_t)file->header.width * (uint64_t)file->header.height * 2u));
        if (buffer == NULL) return QFB_GL_NO_MEMORY;
    }

    qfb_gl_save_state_(tex->target, &saved);
    glGenTextures(1, &tex->name);
    glBindTexture(tex->target, tex->name);
    for (lv = 0; lv < tex->levels && status == QFB_GL_OK; ++lv) {
        for (frame = 0; frame < tex->layers; ++frame) {
            const void* words = NULL;
            refusal = qfb_get_level(file, frame, lv, &level);
            if (refusal == QFB_OK)
                words = qfb_gl_level_words_(file, &level, target, through_buffer, swap, buffer, &refusal);
            if (words == NULL) {
                status = QFB_GL_REFUSED;
                break;
            }
            if (tex->target == GL_TEXTURE_2D) {
                glTexImage2D(GL_TEXTURE_2D, lv, (GLint)internal_format, level.width, level.height, 0, format, type,
                             words);
                continue;
            }
            if (frame == 0)
                glTexImage3D(GL_TEXTURE_2D_ARRAY, lv, (GLint)internal_format, level.width, level.height,
                             tex->layers, 0, format, type, NULL);
            glTexSubImage3D(GL_TEXTURE_2D_ARRAY, lv, 0, 0, frame, level.width, level.height, 1, format, type, words);
        }
        if (status == QFB_GL_OK && (error = glGetError()) != GL_NO_ERROR) {
            tex->gl_error = error;
            status = QFB_GL_ERROR;
        }
    }
    if (status == QFB_GL_OK) {
        glTexParameteri(tex->target, GL_TEXTURE_BASE_LEVEL, 0);
        glTexParameteri(tex->target, GL_TEXTURE_MAX_LEVEL, tex->levels - 1);
        if ((error = glGetError()) != GL_NO_ERROR) {
            tex->gl_error = error;
            status = QFB_GL_ERROR;
        }
    }
    qfb_gl_restore_state_(tex->target, &saved);
    if (buffer != NULL) QFB_GL_FREE(buffer);
    if (status != QFB_GL_OK) {
        glDeleteTextures(1, &tex->name);
        tex->name = 0;
        tex->refusal = status == QFB_GL_REFUSED ? refusal : QFB_OK;
    }
    return status;
}

#endif /* QFB_QFB_GL_H */
