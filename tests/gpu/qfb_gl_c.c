/* qfb_gl.h included by a C99 file after the headers a C engine includes: <GL/gl.h> with
 * <GL/glext.h> for desktop OpenGL, <GLES3/gl3.h> for OpenGL ES. The tests upload their packed
 * sets through it. */
#if QFB_TEST_GLES
#include <GLES3/gl3.h>
#else
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#endif

#include "qfb/qfb_gl.h"

#include "tests/gpu/qfb_gl_c.h"

int qfb_test_gl_upload(const qfb_file* file, unsigned* name, unsigned* target, int* levels, int* refusal,
                       unsigned* gl_error)
{
    qfb_gl_texture tex;
    const qfb_gl_status status = qfb_gl_upload(file, QFB_GL_API, &tex);
    *name = tex.name;
    *target = tex.target;
    *levels = tex.levels;
    *refusal = (int)tex.refusal;
    *gl_error = tex.gl_error;
    return (int)status;
}
