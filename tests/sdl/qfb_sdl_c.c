/* qfb_sdl.h included by a C99 file after <SDL.h>, as a C engine includes it; the tests make their
 * packed sets' surfaces and ask the frame clock through it. */
#include <SDL.h>

#include "qfb/qfb_sdl.h"

#include "tests/sdl/qfb_sdl_c.h"

int qfb_test_sdl_surface(const qfb_file* file, int frame, int level, void** surface)
{
    SDL_Surface* made = NULL;
    const qfb_sdl_status status = qfb_sdl_surface(file, frame, level, surface != NULL ? &made : NULL);
    if (surface != NULL) *surface = made;
    return (int)status;
}

int qfb_test_sdl_frame_at(const qfb_file* file, uint32_t ms) { return qfb_sdl_frame_at(file, ms); }
