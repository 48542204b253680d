// Huge-page advice for the in-memory image of a file being written (see files.h).
#include "files.h"

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

#include <cstdint>

void advise_huge_pages(uint8_t* start, size_t bytes)
{
#if defined(MADV_HUGEPAGE)
    constexpr uintptr_t HUGE_PAGE = HUGE_PAGE_SIZE;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(start) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(HUGE_PAGE - 1);
    if (end > first) (void)madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)start;
    (void)bytes;
#endif
}
