// The atomic writer, and the check that an output is none of the inputs (see files.h).
#include "files.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

constexpr int MAX_LINK_HOPS = 40;    // the kernel's own limit on a chain of symbolic links
constexpr int MAX_NAME_TRIES = 100;  // temporary names found taken by other writers before giving up

std::string folder_of(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path the bytes land on: path, or the file at the end of its chain of symbolic links (a
// dangling link gives the path it names, which is then created). False, with errno set as the
// kernel sets it, for a loop or a chain longer than the kernel would follow (ELOOP), or a link text
// too long to read (ENAMETOOLONG).
bool resolve_target(std::string path, std::string* target)
{
    for (int hop = 0; hop <= MAX_LINK_HOPS; ++hop) {
        char link[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), link, sizeof link);
        if (length < 0) {  // not a link
            *target = path;
            return true;
        }
        if (static_cast<size_t>(length) >= sizeof link) {
            errno = ENAMETOOLONG;
            return false;
        }
        const std::string text(link, static_cast<size_t>(length));
        path = text[0] == '/' ? text : folder_of(path) + "/" + text;
    }
    errno = ELOOP;
    return false;
}

// Creates a new file named prefix and six characters no other writer of this process uses.
int create_unique(const std::string& prefix, std::string* path)
{
    static std::atomic<uint64_t> counter{0};
    static const char DIGITS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < MAX_NAME_TRIES; ++attempt) {
        uint64_t v = (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15u ^
                     static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        std::string candidate = prefix;
        for (int i = 0; i < 6; ++i, v /= 62) candidate += DIGITS[v % 62];
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) *path = candidate;
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

std::string write_failure_reason(WriteStatus status)
{
    return status == WriteStatus::ok || status.error == 0 ? std::string() : std::string(std::strerror(status.error));
}

const char* write_status_text(WriteStatus status)
{
    switch (status.kind) {
    case WriteStatus::ok: return "written";
    case WriteStatus::cannot_create: return "the file could not be created";
    case WriteStatus::write_failed: return "a write failed";
    case WriteStatus::rename_failed: return "the finished file could not take its name";
    case WriteStatus::source_failed: return "its pixels could not be read";
    case WriteStatus::encoder_failed: return "the image could not be encoded (out of memory?)";
    }
    return "unknown result";
}

std::string write_failure_text(WriteStatus status)
{
    const std::string reason = write_failure_reason(status);
    return reason.empty() ? write_status_text(status) : write_status_text(status) + (" (" + reason + ")");
}

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept
{
    if (this != &other) {
        drop();
        s_ = std::move(other.s_);
        other.s_ = State{};
    }
    return *this;
}

void AtomicFile::drop()
{
    if (s_.fd >= 0) ::close(s_.fd);
    if (!s_.temp.empty()) unlink(s_.temp.c_str());
    s_.fd = -1;
    s_.temp.clear();
    s_.created = false;
}

WriteStatus AtomicFile::failure(WriteStatus::Kind kind, int error)
{
    s_.error = error;
    return WriteStatus(kind, error);
}

WriteStatus AtomicFile::create(const std::string& name)
{
    drop();
    s_ = State{};
    s_.name = name;
    if (name.empty()) return failure(WriteStatus::cannot_create, ENOENT);
    if (!resolve_target(name, &s_.target)) return failure(WriteStatus::cannot_create, errno);
    struct stat info {};
    const bool exists = stat(s_.target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) return failure(WriteStatus::rename_failed, EISDIR);
    s_.in_place = exists && !S_ISREG(info.st_mode);
    s_.replaces = exists && !s_.in_place;
    if (s_.in_place) {
        // A device or pipe cannot be replaced by renaming; it gets the bytes itself. O_NONBLOCK:
        // a pipe without a reader fails at once instead of waiting.
        s_.fd = ::open(s_.target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        const int flags = s_.fd >= 0 ? fcntl(s_.fd, F_GETFL) : -1;
        if (flags < 0 || fcntl(s_.fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return failure(WriteStatus::cannot_create, errno);
    } else {
        // A file that may not be written is not replaced behind its owner's back.
        if (exists && access(s_.target.c_str(), W_OK) != 0) return failure(WriteStatus::cannot_create, errno);
        s_.fd = create_unique(s_.target + ".tmp", &s_.temp);
        if (s_.fd < 0 && errno == ENAMETOOLONG) s_.fd = create_unique(folder_of(s_.target) + "/.tmp", &s_.temp);
        if (s_.fd < 0 || (exists && fchmod(s_.fd, info.st_mode & 0777) != 0))
            return failure(WriteStatus::cannot_create, errno);
    }
    s_.created = true;
    return WriteStatus::ok;
}

bool AtomicFile::write(const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    s_.failed = s_.failed || s_.fd < 0;
    for (size_t done = 0; done < size && !s_.failed;) {
        const ssize_t wrote = ::write(s_.fd, bytes + done, size - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            s_.failed = true;
            s_.error = wrote < 0 ? errno : 0;
        }
        done += s_.failed ? 0 : static_cast<size_t>(wrote);
    }
    return !s_.failed;
}

WriteStatus AtomicFile::close()
{
    if (s_.fd >= 0) {
#ifdef __linux__
        // The rename onto an existing file starts its writeback (ext4 does, so that a crash leaves
        // the old file or the new one), which would hold the rename up: started now, it overlaps.
        if (s_.replaces && !s_.failed) sync_file_range(s_.fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
        const bool closed = ::close(s_.fd) == 0;
        if (!closed && !s_.failed) s_.error = errno;
        s_.failed = !closed || s_.failed;
        s_.fd = -1;
    }
    return s_.failed ? WriteStatus(WriteStatus::write_failed, s_.error) : WriteStatus::ok;
}

WriteStatus AtomicFile::commit()
{
    if (!s_.created) return WriteStatus(WriteStatus::cannot_create, s_.error);
    WriteStatus status = close();
    if (status == WriteStatus::ok && !s_.in_place && std::rename(s_.temp.c_str(), s_.target.c_str()) != 0)
        status = WriteStatus(WriteStatus::rename_failed, errno);
    if (status == WriteStatus::ok) s_.temp.clear();  // in place now: no longer removed
    drop();
    return status;
}

WriteStatus write_whole_file(const std::string& name, const void* data, size_t size)
{
    AtomicFile file;
    const WriteStatus created = file.create(name);
    if (created != WriteStatus::ok) return created;
    file.write(data, size);
    return file.commit();
}

WriteStatus commit_all(std::vector<AtomicFile>& files, size_t* failed)
{
    for (size_t i = 0; i < files.size(); ++i) {
        const WriteStatus status = files[i].commit();
        if (status != WriteStatus::ok) {
            *failed = i;
            return status;
        }
    }
    return WriteStatus::ok;
}

bool same_file(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
