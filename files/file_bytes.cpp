// Reading a file whole, and the SIGBUS guard: one handler for the process, one visit per thread
// (see files.h).
#include "files.h"

#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace {

// The guarded visit in progress on a thread: where a fault in its bytes jumps to, and those bytes.
struct Visit {
    sigjmp_buf jump;
    const uint8_t* begin;
    const uint8_t* end;
};
// Thread-local storage of an executable, so that reading it in the handler calls nothing.
thread_local Visit* current = nullptr;
struct sigaction previous;
bool installed = false;

// Only async-signal-safe calls here: siglongjmp, sigaction, raise.
void on_sigbus(int signal, siginfo_t* info, void*)
{
    const uint8_t* address = static_cast<const uint8_t*>(info->si_addr);
    if (current != nullptr && info->si_code > 0 && address >= current->begin && address < current->end)
        siglongjmp(current->jump, 1);
    // Not a fault in a guarded mapping: the handler from before takes over. A fault repeats under
    // it when this returns; a signal sent by a process is sent again.
    sigaction(signal, &previous, nullptr);
    if (info->si_code <= 0) raise(signal);
}

// Reads up to limit bytes from fd into out, until the end of the file; expected bytes first.
ReadStatus read_all(int fd, size_t limit, size_t expected, std::vector<uint8_t>& out)
{
    size_t size = 0;
    try {
        out.resize(expected);
        while (size < limit) {
            if (size == out.size()) out.resize(size > limit - size ? limit : 2 * size + 1);
            const ssize_t got = ::read(fd, out.data() + size, out.size() - size);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return ReadStatus::read_failed;
            if (got == 0) break;
            size += static_cast<size_t>(got);
        }
        out.resize(size);
    } catch (const std::bad_alloc&) {
        return ReadStatus::out_of_memory;
    }
    return ReadStatus::ok;
}

}  // namespace

void install_fault_guard()
{
    struct sigaction guard {};
    guard.sa_sigaction = on_sigbus;
    guard.sa_flags = SA_SIGINFO;
    sigemptyset(&guard.sa_mask);
    // Fails only for a bad signal number or address: the files are then read, never mapped.
    installed = sigaction(SIGBUS, &guard, &previous) == 0;
}

int open_for_reading(const char* name)
{
    // O_NONBLOCK: a named pipe with no writer must not hang the open; it is cleared again so that
    // a device reads as it should.
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    const int flags = fd >= 0 ? fcntl(fd, F_GETFL) : -1;
    if (fd >= 0 && (fstat(fd, &info) != 0 || S_ISFIFO(info.st_mode) || flags < 0 ||
                    fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)) {
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
    // No MAP_POPULATE: with the pages in the page cache each fault maps a run of them, and
    // populating the whole file up front measured no faster.
    void* mapping = regular && map && length > 0 && installed
                        ? mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd_, 0) : MAP_FAILED;
    if (mapping != MAP_FAILED) {
        mapping_ = mapping;
        data_ = static_cast<const uint8_t*>(mapping);
        size_ = length;
        return ReadStatus::ok;
    }
    const ReadStatus status = read_all(fd_, length, regular ? length : 65536, read_);
    data_ = read_.data();
    size_ = read_.size();
    return status == ReadStatus::ok && size_ > limit ? ReadStatus::too_large : status;
}

ReadStatus FileBytes::guarded(void (*visit)(void*), void* context) const
{
    if (mapping_ == nullptr) {
        visit(context);
        return ReadStatus::ok;
    }
    Visit here;
    here.begin = data_;
    here.end = data_ + size_;
    Visit* const outer = current;
    // The signal mask is saved and restored: the jump comes from the handler, where SIGBUS is blocked.
    if (sigsetjmp(here.jump, 1) != 0) {
        current = outer;
        return ReadStatus::changed_while_reading;
    }
    current = &here;
    visit(context);
    current = outer;
    struct stat info {};
    if (fstat(fd_, &info) != 0) return ReadStatus::read_failed;
    return static_cast<uint64_t>(info.st_size) < size_ ? ReadStatus::changed_while_reading : ReadStatus::ok;
}
