// The platform layer on Linux, macOS and the BSDs (see platform.h): descriptors, mmap, the SIGBUS
// guard, rename. Calls that only some of them have are used where they exist.
#include "platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace platform {

namespace {

void fill(const struct stat& st, FileInfo* info)
{
    info->folder = S_ISDIR(st.st_mode);
    info->regular = S_ISREG(st.st_mode);
    info->link = S_ISLNK(st.st_mode);
    info->size = info->regular ? static_cast<uint64_t>(st.st_size) : 0;
    info->mode = static_cast<unsigned>(st.st_mode & 07777);
}

// Opens with O_NONBLOCK, so that a named pipe with nobody at its other end cannot hang the open,
// then clears it so that the descriptor reads and writes as it should.
int open_not_waiting(const char* name, int flags, bool refuse_fifo)
{
    const int fd = ::open(name, flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return -1;
    struct stat st {};
    const int status = fcntl(fd, F_GETFL);
    if ((refuse_fifo && (fstat(fd, &st) != 0 || S_ISFIFO(st.st_mode))) || status < 0 ||
        fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// The guarded visit in progress on a thread: where a fault in its bytes jumps to, and those bytes.
struct Visit {
    sigjmp_buf jump;
    const uint8_t* begin;
    const uint8_t* end;
};
// Thread-local storage of an executable, so that reading it in the handler calls nothing.
thread_local Visit* current = nullptr;
struct sigaction previous;

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

// The signals that end a run, and the cleanup their handler calls first.
constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
bool (*cleanup_before_ending)() = nullptr;
thread_local sigset_t held_from;  // the thread's mask before hold_interrupts

// Only async-signal-safe calls here (and the cleanup's, which makes only such calls).
void on_ending_signal(int signal)
{
    if (!cleanup_before_ending()) return;  // a job stops itself
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    sigaction(signal, &plain, nullptr);
    // Blocked while this handler runs: the signal ends the process as soon as it returns.
    raise(signal);
}

sigset_t ending_signals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : ENDING_SIGNALS) sigaddset(&set, signal);
    return set;
}

}  // namespace

bool info_of_name(const char* name, FileInfo* info)
{
    struct stat st {};
    if (stat(name, &st) != 0) return false;
    fill(st, info);
    return true;
}

bool info_of_link(const char* name, FileInfo* info)
{
    struct stat st {};
    if (lstat(name, &st) != 0) return false;
    fill(st, info);
    return true;
}

bool info_of_descriptor(int fd, FileInfo* info)
{
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    fill(st, info);
    return true;
}

int open_for_reading(const char* name) { return open_not_waiting(name, O_RDONLY, true); }

int open_device_for_writing(const char* name) { return open_not_waiting(name, O_WRONLY, false); }

int create_new(const char* name) { return ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }

int open_truncated(const char* name) { return open_not_waiting(name, O_WRONLY | O_CREAT | O_TRUNC, false); }

std::FILE* stream_of(int fd, const char* mode) { return fdopen(fd, mode); }

long long read_some(int fd, void* buffer, size_t size)
{
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

long long write_some(int fd, const void* buffer, size_t size)
{
    for (;;) {
        const ssize_t wrote = ::write(fd, buffer, size);
        if (wrote >= 0 || errno != EINTR) return wrote;
    }
}

bool close_descriptor(int fd) { return ::close(fd) == 0; }

bool keep_mode(int fd, unsigned mode) { return fchmod(fd, static_cast<mode_t>(mode & 0777)) == 0; }

void start_writeback(int fd)
{
#if defined(__linux__) && defined(SYNC_FILE_RANGE_WRITE)
    // The rename onto an existing file starts its writeback (ext4 does, so that a crash leaves
    // the old file or the new one), which would hold the rename up: started now, it overlaps.
    sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
#endif
}

bool replace_file(const char* from, const char* to) { return std::rename(from, to) == 0; }

bool remove_file(const char* name) { return unlink(name) == 0; }

bool may_write(const char* name) { return access(name, W_OK) == 0; }

bool make_folder(const char* name) { return mkdir(name, 0777) == 0; }

int link_text(const char* name, std::string* text)
{
    char link[PATH_MAX];
    const ssize_t length = readlink(name, link, sizeof link);
    if (length < 0) return 0;
    if (static_cast<size_t>(length) >= sizeof link) {
        errno = ENAMETOOLONG;
        return -1;
    }
    text->assign(link, static_cast<size_t>(length));
    return 1;
}

bool list_folder(const char* folder, std::vector<std::string>* names)
{
    names->clear();
    DIR* dir = opendir(*folder != '\0' ? folder : ".");
    if (dir == nullptr) return false;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) names->push_back(name);
    }
    closedir(dir);
    return true;
}

bool same_file(const char* a, const char* b)
{
    struct stat sa {}, sb {};
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

const void* map_read_only(int fd, size_t length)
{
    // No MAP_POPULATE: with the pages in the page cache each fault maps a run of them, and
    // populating the whole file up front measured no faster.
    void* mapping = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
    return mapping == MAP_FAILED ? nullptr : mapping;
}

void unmap(const void* mapping, size_t length) { munmap(const_cast<void*>(mapping), length); }

bool install_guard()
{
    struct sigaction guard {};
    guard.sa_sigaction = on_sigbus;
    guard.sa_flags = SA_SIGINFO;
    sigemptyset(&guard.sa_mask);
    // Fails only for a bad signal number or address: the files are then read, never mapped.
    return sigaction(SIGBUS, &guard, &previous) == 0;
}

bool run_guarded(const uint8_t* begin, const uint8_t* end, void (*visit)(void*), void* context)
{
    Visit here;
    here.begin = begin;
    here.end = end;
    Visit* const outer = current;
    // The signal mask is saved and restored: the jump comes from the handler, where SIGBUS is blocked.
    if (sigsetjmp(here.jump, 1) != 0) {
        current = outer;
        return false;
    }
    current = &here;
    visit(context);
    current = outer;
    return true;
}

bool install_interrupt_handler(bool (*before_ending)())
{
    cleanup_before_ending = before_ending;
    struct sigaction handler {};
    handler.sa_handler = on_ending_signal;
    handler.sa_mask = ending_signals();  // one handler at a time on a thread
    bool installed = true;
    for (const int signal : ENDING_SIGNALS) {
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        installed = sigaction(signal, &handler, nullptr) == 0 && installed;
    }
    return installed;
}

void hold_interrupts()
{
    const sigset_t set = ending_signals();
    pthread_sigmask(SIG_BLOCK, &set, &held_from);
}

void release_interrupts() { pthread_sigmask(SIG_SETMASK, &held_from, nullptr); }

const char* error_text(int error) { return std::strerror(error); }

bool is_device_name(const char*) { return false; }

bool is_separator(char c) { return c == '/'; }

size_t last_separator(const std::string& path) { return path.rfind('/'); }

char unusable_name_character(const std::string&) { return 0; }

bool start_process(StartRefusal*) { return true; }

}  // namespace platform
