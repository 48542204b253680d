// BinaryFile (see targa.h).
#include "platform.h"
#include "targa.h"

int BinaryFile::open(const char* name, int mode)
{
    close();
    int fd = -1;
    if (mode == READ) fd = platform::open_for_reading(name);
    // A named pipe with no one at its other end cannot hang the open: writing then fails at once.
    if (mode == WRITE) fd = platform::open_truncated(name);
    if (fd >= 0) stream_ = platform::stream_of(fd, mode == READ ? "rb" : "wb");
    if (stream_ == nullptr && fd >= 0) platform::close_descriptor(fd);
    return stream_ != nullptr ? 0 : -1;
}

int BinaryFile::close()
{
    if (stream_ == nullptr) return 0;
    const int result = std::fclose(stream_);
    stream_ = nullptr;
    return result == 0 ? 0 : -1;
}
