/* The upload of qfb_gl.h as compiled in C (qfb_gl_c.c), for the C++ tests: the status, and the
 * texture's name, target, level count, libqfb refusal and GL error. */
#ifndef QFB_TESTS_GPU_QFB_GL_C_H
#define QFB_TESTS_GPU_QFB_GL_C_H

#include "qfb/qfb.h"

#ifdef __cplusplus
extern "C" {
#endif

int qfb_test_gl_upload(const qfb_file* file, unsigned* name, unsigned* target, int* levels, int* refusal,
                       unsigned* gl_error);

#ifdef __cplusplus
}
#endif

#endif
