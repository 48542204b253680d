/* Preloaded (LD_PRELOAD) into a tool by the interruption test: the first rename of a temporary file
   (a name with ".tmp" in it) writes one byte to the descriptor named by QFB_HOLD_FD, so the test
   knows the tool is there with its files written, and waits for the signal that ends the process.
   Any other rename, or any without QFB_HOLD_FD, is the C library's. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int rename(const char* from, const char* to)
{
    const char* fd_text = getenv("QFB_HOLD_FD");
    if (fd_text != NULL && strstr(from, ".tmp") != NULL) {
        const int fd = atoi(fd_text);
        if (write(fd, "h", 1) == 1) close(fd);
        for (;;) pause();
    }
    int (*next)(const char*, const char*);
    *(void**)&next = dlsym(RTLD_NEXT, "rename"); /* POSIX's way to a function's address */
    return next(from, to);
}
