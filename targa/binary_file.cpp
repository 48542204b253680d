// BinaryFile (see targa.h).
#include <fcntl.h>
#include <unistd.h>

#include "targa.h"

int BinaryFile::open(const char* name, int mode)
{
    close();
    int fd = -1;
    if (mode == READ) fd = open_for_reading(name);
    // O_NONBLOCK so that a named pipe with no one at its other end cannot hang the open (writing
    // then fails at once); it is cleared again before any I/O.
    if (mode == WRITE) fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    const int flags = fd >= 0 ? fcntl(fd, F_GETFL) : -1;
    if (flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) stream_ = fdopen(fd, mode == READ ? "rb" : "wb");
    if (stream_ == nullptr && fd >= 0) ::close(fd);
    return stream_ != nullptr ? 0 : -1;
}

int BinaryFile::close()
{
    if (stream_ == nullptr) return 0;
    const int result = std::fclose(stream_);
    stream_ = nullptr;
    return result == 0 ? 0 : -1;
}
