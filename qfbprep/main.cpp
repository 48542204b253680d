// The qfbprep executable: the process-wide set-up, then everything happens in qfbprep_main.
#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#include "files.h"
#include "cli.h"
#include "platform.h"
#include "jobs.h"
#include "frameset.h"
#include "image_codecs.h"
#include "stop_request.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char** argv)
{
#if defined(__GLIBC__)
    // Every frame's images (each at most MAX_IMAGE_BYTES, the largest image makeqfb packs) are
    // allocated and freed in turn. Taken from the heap instead of being mapped and unmapped one
    // by one, and with up to 64 MB of freed memory kept for the next ones, the same pages serve
    // frame after frame instead of being faulted in and cleared again.
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * MAX_IMAGE_BYTES));
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    platform::StartRefusal refusal;
    if (!platform::start_process(&refusal)) {  // Windows: binary standard output, the arguments checked
        say_start_refusal(refusal);
        return 1;
    }
    if (!start_image_codecs()) return 1;  // COM on Windows, for the PNG and GIF readers
    install_fault_guard();  // before any file is read or any thread exists
    // A signal that ends the run removes its temporary files first; while pack --watch waits, it
    // asks the watch to stop instead.
    install_interrupt_cleanup(ask_stop);
    return qfbprep_main(argc, argv);
}
