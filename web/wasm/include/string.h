/* The few string functions libqfb uses, for its WebAssembly build, where there is no C library:
 * wasm_libc.c defines them. */
#ifndef QFB_WASM_STRING_H
#define QFB_WASM_STRING_H

#include <stddef.h>

void* memcpy(void* restrict dest, const void* restrict src, size_t n);
void* memmove(void* dest, const void* src, size_t n);
void* memset(void* dest, int c, size_t n);
int memcmp(const void* a, const void* b, size_t n);
int strcmp(const char* a, const char* b);

#endif
