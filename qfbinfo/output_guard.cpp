// The output guard (see output_guard.h).
#include "output_guard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

bool name_taken(const char* name)
{
    struct stat info {};
    return lstat(name, &info) == 0;
}

bool refuse_taken(const char* name, bool force)
{
    if (force || !name_taken(name)) return false;
    std::printf("File already exists: %s (--force replaces it).\n", name);
    return true;
}

void drop_link(const char* name)
{
    struct stat info {};
    if (lstat(name, &info) == 0 && S_ISLNK(info.st_mode)) unlink(name);
}
