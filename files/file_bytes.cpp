// Reading a file whole (see file_bytes.h).
#include "file_bytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "fault_guard.h"

int open_for_reading(const char* name)
{
    // O_NONBLOCK: a named pipe with no writer must not hang the open; it changes nothing for the
    // files that are read, and it is cleared again so that a device reads as it should.
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat info {};
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &info) != 0 || S_ISFIFO(info.st_mode) || flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void FileBytes::reset()
{
    if (mapping_ != nullptr) munmap(mapping_, size_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    mapping_ = nullptr;
    data_ = nullptr;
    size_ = 0;
    std::vector<uint8_t>().swap(read_);
}

// Reads up to limit bytes from fd into out, until the end of the file; room for expected bytes
// is made first.
static ReadStatus read_all(int fd, size_t limit, size_t expected, std::vector<uint8_t>& out)
{
    size_t size = 0;
    try {
        out.resize(expected);
        for (;;) {
            if (size == out.size()) {
                if (size == limit) break;
                out.resize(size > limit - size ? limit : 2 * size + 1);
            }
            const ssize_t got = ::read(fd, out.data() + size, out.size() - size);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return ReadStatus::read_failed;  // a folder gives EISDIR
            if (got == 0) break;
            size += static_cast<size_t>(got);
        }
        out.resize(size);
    } catch (const std::bad_alloc&) {
        return ReadStatus::out_of_memory;
    }
    return ReadStatus::ok;
}

ReadStatus FileBytes::open(const char* name, bool map, size_t limit)
{
    reset();
    fd_ = open_for_reading(name);
    if (fd_ < 0) return ReadStatus::cannot_open;
    struct stat info {};
    if (fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode)) return ReadStatus::read_failed;
    const bool regular = S_ISREG(info.st_mode);
    if (regular && static_cast<uint64_t>(info.st_size) > limit) return ReadStatus::too_large;
    const size_t length = regular ? static_cast<size_t>(info.st_size) : MAX_UNSIZED;
    if (regular && map && length > 0 && fault_guard_installed()) {
        // No MAP_POPULATE: with the pages in the page cache each fault maps a run of them, and
        // populating the whole file up front measured no faster.
        void* mapping = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd_, 0);
        if (mapping != MAP_FAILED) {
            mapping_ = mapping;
            data_ = static_cast<const uint8_t*>(mapping);
            size_ = length;
            return ReadStatus::ok;
        }
    }
    const ReadStatus status = read_all(fd_, length, regular ? length : 65536, read_);
    data_ = read_.data();
    size_ = read_.size();
    return status == ReadStatus::ok && size_ > limit ? ReadStatus::too_large : status;
}

ReadStatus FileBytes::read_guarded(void (*visit)(void*), void* context) const
{
    if (mapping_ == nullptr) {
        visit(context);
        return ReadStatus::ok;
    }
    if (!run_guarded(mapping_, size_, visit, context)) return ReadStatus::changed_while_reading;
    struct stat info {};
    if (fstat(fd_, &info) != 0) return ReadStatus::read_failed;
    return static_cast<uint64_t>(info.st_size) < size_ ? ReadStatus::changed_while_reading : ReadStatus::ok;
}

namespace {
struct Copy {
    const uint8_t* from;
    size_t size;
    void* to;
};
void copy_bytes(void* context)
{
    const Copy& c = *static_cast<const Copy*>(context);
    std::memcpy(c.to, c.from, c.size);
}
}  // namespace

ReadStatus FileBytes::copy(uint64_t offset, size_t size, void* dest) const
{
    Copy c{data_ + offset, size, dest};
    return size == 0 ? ReadStatus::ok : read_guarded(copy_bytes, &c);
}
