// Reading a file whole, read into memory the thread keeps or, when large, mapped under the platform's
// guard (see files.h).
#include "files.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include "platform.h"

namespace {

bool installed = false;

// Reads up to limit bytes from fd into out, until the end of the file, and gives their count in
// *size; room for expected bytes first.
ReadStatus read_all(int fd, size_t limit, size_t expected, ReadMemory& out, size_t* size)
{
    *size = 0;
    if (!out.reserve(expected, 0)) return ReadStatus::out_of_memory;
    while (*size < limit) {
        if (*size == out.capacity() && !out.reserve(*size > limit - *size ? limit : 2 * *size, *size))
            return ReadStatus::out_of_memory;
        const long long got = platform::read_some(fd, out.data() + *size, std::min(out.capacity(), limit) - *size);
        if (got < 0) return ReadStatus::read_failed;
        if (got == 0) break;
        *size += static_cast<size_t>(got);
    }
    return ReadStatus::ok;
}

}  // namespace

void install_fault_guard() { installed = platform::install_guard(); }

int open_for_reading(const char* name) { return platform::open_for_reading(name); }

void FileBytes::reset()
{
    if (mapping_ != nullptr) platform::unmap(mapping_, size_);
    if (fd_ >= 0) platform::close_descriptor(fd_);
    fd_ = -1;
    mapping_ = nullptr;
    data_ = nullptr;
    size_ = 0;
    read_.release();
}

ReadStatus FileBytes::open(const char* name, bool map, size_t limit)
{
    reset();
    fd_ = open_for_reading(name);
    if (fd_ < 0) return ReadStatus::cannot_open;
    platform::FileInfo info;
    if (!platform::info_of_descriptor(fd_, &info) || info.folder) return ReadStatus::read_failed;
    const bool regular = info.regular;
    if (regular && info.size > limit) return ReadStatus::too_large;
    const size_t length = regular ? static_cast<size_t>(info.size) : MAX_UNSIZED;
    const void* mapping = regular && map && length > MAP_FROM && installed ? platform::map_read_only(fd_, length) : nullptr;
    if (mapping != nullptr) {
        mapping_ = mapping;
        data_ = static_cast<const uint8_t*>(mapping);
        size_ = length;
        return ReadStatus::ok;
    }
    const ReadStatus status = read_all(fd_, length, regular ? length : 65536, read_, &size_);
    data_ = read_.data();
    if (status != ReadStatus::ok) return status;
    // A regular file that ends before the length it had when opened was cut short while it was
    // read: refused as a mapping cut short is (where files are read, not mapped, this is the check).
    if (regular && size_ < length) return ReadStatus::changed_while_reading;
    return size_ > limit ? ReadStatus::too_large : status;
}

ReadStatus FileBytes::guarded(void (*visit)(void*), void* context) const
{
    if (mapping_ == nullptr) {
        visit(context);
        return ReadStatus::ok;
    }
    if (!platform::run_guarded(data_, data_ + size_, visit, context)) return ReadStatus::changed_while_reading;
    platform::FileInfo info;
    if (!platform::info_of_descriptor(fd_, &info)) return ReadStatus::read_failed;
    return info.size < size_ ? ReadStatus::changed_while_reading : ReadStatus::ok;
}
