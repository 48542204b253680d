/* qfb_sdl.h: a level of a checked QFB file as an SDL2 surface in the level's own 16-bit layout,
 * and the frame to show at a time, header only. Include it after the engine's own <SDL.h>
 * (SDL 2.0.5 or later); it needs libqfb linked as for qfb.h. C99 and C++.
 *
 *     qfb_file file;
 *     SDL_Surface* surface;
 *     if (qfb_parse(bytes, size, &file) == QFB_OK &&
 *         qfb_sdl_surface(&file, qfb_sdl_frame_at(&file, SDL_GetTicks()), 0, &surface) == QFB_SDL_OK) {
 *         SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, surface);
 *         SDL_FreeSurface(surface);
 *     }
 *
 * SDL takes 565 and 4444 as stored, as SDL_PIXELFORMAT_RGB565 and SDL_PIXELFORMAT_ARGB4444, and
 * 1555 as SDL_PIXELFORMAT_ARGB1555 once libqfb has inverted its flag (QFB_TARGET_ARGB1555): SDL's
 * 1-bit alpha is set for an opaque pixel, QFB's flag for a transparent one. The surface is new,
 * its rows copied from the file (converted for 1555, and put in the machine's byte order on a
 * big-endian machine, where SDL's 16-bit formats hold native words); the caller frees it with
 * SDL_FreeSurface. SDL_CreateTextureFromSurface keeps 565 in 16 bits on the software renderer;
 * the renderer widens 4444 and 1555 to 32 bits, and the OpenGL renderers every layout. */
#ifndef QFB_QFB_SDL_H
#define QFB_QFB_SDL_H

#include "qfb.h"

typedef enum qfb_sdl_status {
    QFB_SDL_OK = 0,
    QFB_SDL_REFUSED, /* libqfb refused: the file is not checked (qfb_parse), or has no such frame or
                        level; SDL_GetError() gives libqfb's text */
    QFB_SDL_EMPTY,   /* the level has no pixels (a side halved to 0) */
    QFB_SDL_ERROR    /* SDL could not make the surface; SDL_GetError() says why */
} qfb_sdl_status;

/* A short description of a status, never NULL. */
static inline const char* qfb_sdl_status_text(qfb_sdl_status status)
{
    switch (status) {
    case QFB_SDL_OK: return "surface made";
    case QFB_SDL_REFUSED: return "refused by libqfb";
    case QFB_SDL_EMPTY: return "the level is empty";
    case QFB_SDL_ERROR: return "SDL could not make the surface";
    }
    return "unknown status";
}

/* QFB_SDL_REFUSED, with libqfb's text for SDL_GetError(). */
static inline qfb_sdl_status qfb_sdl_refuse_(qfb_status refusal)
{
    SDL_SetError("libqfb: %s", qfb_status_text(refusal));
    return QFB_SDL_REFUSED;
}

/* Level `level` (0 = full size) of frame `frame` (from 0) of a file checked by qfb_parse, as a new
 * surface in *out (NULL unless QFB_SDL_OK is returned). A null out is refused with nothing made. */
static inline qfb_sdl_status qfb_sdl_surface(const qfb_file* file, int frame, int level, SDL_Surface** out)
{
    qfb_level found;
    qfb_status refusal = QFB_BAD_ARGUMENT;
    qfb_target target = QFB_TARGET_AS_STORED;
    Uint32 format = SDL_PIXELFORMAT_RGB565;
    SDL_Surface* surface;
    int32_t y;

    if (out != NULL) *out = NULL;
    if (out != NULL && file != NULL && file->status == QFB_OK && file->data != NULL)
        refusal = qfb_get_level(file, frame, level, &found);
    if (refusal != QFB_OK) return qfb_sdl_refuse_(refusal);
    if (found.size == 0) return QFB_SDL_EMPTY;
    if (file->header.format == QFB_FORMAT_4444) format = SDL_PIXELFORMAT_ARGB4444;
    if (file->header.format == QFB_FORMAT_1555) {
        format = SDL_PIXELFORMAT_ARGB1555;
        target = QFB_TARGET_ARGB1555;
    }
    surface = SDL_CreateRGBSurfaceWithFormat(0, found.width, found.height, 16, format);
    if (surface == NULL) return QFB_SDL_ERROR;
    /* Row by row: SDL pads each row of the surface to a multiple of 4 bytes. */
    for (y = 0; y < found.height; ++y) {
        Uint8* row = (Uint8*)surface->pixels + (size_t)y * (size_t)surface->pitch;
        refusal = qfb_convert_words(qfb_level_row(&found, y), (size_t)found.width, file->header.format, target, row);
        if (refusal != QFB_OK) {
            SDL_FreeSurface(surface);
            return qfb_sdl_refuse_(refusal);
        }
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
        {
            int32_t x;
            for (x = 0; x < found.width; ++x) {
                const Uint8 low = row[2 * x];
                row[2 * x] = row[2 * x + 1];
                row[2 * x + 1] = low;
            }
        }
#endif
    }
    *out = surface;
    return QFB_SDL_OK;
}

/* The frame (from 0) to show `ms` milliseconds into looping playback at the file's rate: frame f
 * shows from f x 1000 / fps ms on, and the animation starts again after frame_count of them. -1
 * for a file that is not checked (qfb_parse or qfb_check). In 64-bit arithmetic, which the
 * largest values (ms UINT32_MAX, fps INT32_MAX) cannot overflow. SDL_GetTicks() wraps after 49.7
 * days, and the animation jumps there. */
static inline int qfb_sdl_frame_at(const qfb_file* file, uint32_t ms)
{
    if (file == NULL || file->status != QFB_OK || file->header.fps < 1 || file->header.frame_count < 1) return -1;
    return (int)((uint64_t)ms * (uint64_t)file->header.fps / 1000u % (uint64_t)file->header.frame_count);
}

#endif /* QFB_QFB_SDL_H */
