// BinaryFile: RAII wrapper of one binary stdio stream (see binary_file.h).
#include "binary_file.h"

#include "file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

BinaryFile::~BinaryFile() { close(); }

int BinaryFile::open(const char* name, int mode)
{
    close();
    if (mode == READ) {
        // Never a named pipe, which may never deliver its bytes (see open_for_reading).
        const int fd = open_for_reading(name);
        if (fd >= 0 && (stream_ = fdopen(fd, "rb")) == nullptr) ::close(fd);
        return stream_ != nullptr ? 0 : -1;
    }
    if (mode != WRITE) return -1;
    // O_NONBLOCK so that a named pipe with no one at its other end cannot hang the open (writing
    // then fails at once); it is cleared again before any I/O.
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK, 0666);
    if (fd < 0) return -1;
    const int fd_flags = fcntl(fd, F_GETFL);
    if (fd_flags >= 0 && fcntl(fd, F_SETFL, fd_flags & ~O_NONBLOCK) == 0) stream_ = fdopen(fd, "wb");
    if (stream_ == nullptr) ::close(fd);
    return stream_ != nullptr ? 0 : -1;
}

int BinaryFile::close()
{
    if (stream_ == nullptr) return 0;
    const int result = std::fclose(stream_);
    stream_ = nullptr;
    return result == 0 ? 0 : -1;
}

int BinaryFile::write(const void* source, int32_t count)
{
    if (stream_ == nullptr || count < 0) return -1;
    if (count == 0) return 0;
    return std::fwrite(source, static_cast<size_t>(count), 1, stream_) == 1 ? 0 : -1;
}

int BinaryFile::write_u8(uint8_t value) { return write(&value, 1); }

int BinaryFile::write_u16(uint16_t value)
{
    const uint8_t bytes[2] = {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8)};
    return write(bytes, 2);
}

void BinaryFile::read(void* destination, int32_t count)
{
    if (stream_ == nullptr || count <= 0) return;
    // Item size 1 so that a short read still stores the bytes that were there.
    (void)std::fread(destination, 1, static_cast<size_t>(count), stream_);
}

uint8_t BinaryFile::read_u8()
{
    uint8_t value = 0;
    read(&value, 1);
    return value;
}

uint16_t BinaryFile::read_u16()
{
    uint8_t bytes[2] = {0, 0};
    read(bytes, 2);
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

int BinaryFile::seek(int32_t offset)
{
    if (stream_ == nullptr) return -1;
    return std::fseek(stream_, offset, SEEK_SET) == 0 ? 0 : -1;
}

long BinaryFile::tell()
{
    if (stream_ == nullptr) return -1;
    return std::ftell(stream_);
}

long BinaryFile::length()
{
    if (stream_ == nullptr) return -1;
    struct stat info {};
    if (fstat(fileno(stream_), &info) != 0) return -1;
    return static_cast<long>(info.st_size);
}

int BinaryFile::has_error()
{
    if (stream_ == nullptr) return 0;
    return std::ferror(stream_);
}
