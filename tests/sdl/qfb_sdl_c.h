/* qfb_sdl.h as compiled in C (qfb_sdl_c.c), for the C++ tests: the surface call's status and
 * surface, and the frame clock. */
#ifndef QFB_TESTS_SDL_QFB_SDL_C_H
#define QFB_TESTS_SDL_QFB_SDL_C_H

#include <stdint.h>

#include "qfb/qfb.h"

#ifdef __cplusplus
extern "C" {
#endif

int qfb_test_sdl_surface(const qfb_file* file, int frame, int level, void** surface);
int qfb_test_sdl_frame_at(const qfb_file* file, uint32_t ms);

#ifdef __cplusplus
}
#endif

#endif
