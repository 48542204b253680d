/* QFB_TARGET_CLONES, for the hot loops of the encoder and of the dithering: each such function
 * is built for AVX2 and for the baseline, and the loader picks one. target_clones needs GNU
 * indirect functions, so only x86-64 with glibc gets the clones; elsewhere, or where
 * QFB_NO_TARGET_CLONES is defined (the baseline test, ThreadSanitizer), the baseline loop is the
 * only one. Included by C99 and C++17 sources alike; not installed. */
#ifndef QFB_TARGET_CLONES_H
#define QFB_TARGET_CLONES_H

#include <limits.h> /* defines __GLIBC__ where the C library is glibc */

#if defined(__x86_64__) && defined(__GLIBC__) && !defined(QFB_NO_TARGET_CLONES)
#define QFB_TARGET_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QFB_TARGET_CLONES
#endif

#endif
