/* memcpy, memmove, memset, memcmp and strcmp for libqfb's WebAssembly build, which links no C
 * library. The copies and the fill are the bulk-memory instructions (memory.copy handles
 * overlap, so it serves memmove too); the compiler turns what libqfb's own loops would make of
 * them into calls to these. */
#include <string.h>

void* memcpy(void* restrict dest, const void* restrict src, size_t n)
{
    __builtin_memmove(dest, src, n);
    return dest;
}

void* memmove(void* dest, const void* src, size_t n)
{
    __builtin_memmove(dest, src, n);
    return dest;
}

void* memset(void* dest, int c, size_t n)
{
    __builtin_memset(dest, c, n);
    return dest;
}

int memcmp(const void* a, const void* b, size_t n)
{
    const unsigned char *p = (const unsigned char*)a, *q = (const unsigned char*)b;
    for (; n != 0; --n, ++p, ++q)
        if (*p != *q) return *p < *q ? -1 : 1;
    return 0;
}

int strcmp(const char* a, const char* b)
{
    const unsigned char *p = (const unsigned char*)a, *q = (const unsigned char*)b;
    for (; *p != 0 && *p == *q; ++p, ++q) {
    }
    return *p < *q ? -1 : *p > *q;
}
