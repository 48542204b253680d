// The qfbprep executable: everything happens in qfbprep_main.
#include "qfbprep/qfbprep_main.h"

#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#include "output/output_buffer.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char** argv)
{
#if defined(__GLIBC__)
    // Every frame's images (each at most PIXEL_BUFFER_SIZE bytes, the largest image makeqfb
    // packs) are allocated and freed in turn. Taken from the heap instead of being mapped and
    // unmapped one by one, and with up to 64 MB of freed memory kept for the next ones, the same
    // pages serve frame after frame instead of being faulted in and cleared again.
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * PIXEL_BUFFER_SIZE));
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    return qfbprep_main(argc, argv);
}
