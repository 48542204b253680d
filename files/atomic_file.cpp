// The atomic writer (see atomic_file.h).
#include "atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int MAX_LINK_HOPS = 40;  // the kernel's own limit on a chain of symbolic links
constexpr int MAX_NAME_TRIES = 100;  // temporary names taken by other writers before giving up

std::string folder_of(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path the bytes should land on: name itself, or the file at the end of its chain of
// symbolic links. A dangling link resolves to the path it names, which is then created.
bool resolve_target(const std::string& name, std::string* target)
{
    std::string path = name;
    for (int hop = 0; hop <= MAX_LINK_HOPS; ++hop) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            *target = path;
            return true;
        }
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) != nullptr) {
            *target = resolved;
            return true;
        }
        // Dangling: follow one link by hand. A full buffer means the link text was cut short.
        char link[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), link, sizeof link);
        if (length <= 0 || static_cast<size_t>(length) >= sizeof link) return false;
        const std::string text(link, static_cast<size_t>(length));
        path = text[0] == '/' ? text : folder_of(path) + "/" + text;
    }
    return false;  // a loop, or a chain longer than the kernel would follow
}

// Six characters no two writers of this process share, and unlikely in another's.
std::string unique_suffix()
{
    static std::atomic<uint64_t> counter{0};
    const uint64_t now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    uint64_t v = (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15u ^ now ^ (static_cast<uint64_t>(getpid()) << 40);
    static const char DIGITS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string out;
    for (int i = 0; i < 6; ++i, v /= 62) out += DIGITS[v % 62];
    return out;
}

// Creates a new file under prefix + a unique suffix; returns the descriptor and sets path.
int create_unique(const std::string& prefix, std::string* path)
{
    for (int attempt = 0; attempt < MAX_NAME_TRIES; ++attempt) {
        const std::string candidate = prefix + unique_suffix();
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) *path = candidate;
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

const char* write_status_text(WriteStatus status)
{
    switch (status) {
    case WriteStatus::ok: return "written";
    case WriteStatus::cannot_create: return "the file could not be created";
    case WriteStatus::write_failed: return "a write failed";
    case WriteStatus::rename_failed: return "the finished file could not take its name";
    case WriteStatus::source_failed: return "its pixels could not be read";
    case WriteStatus::encoder_failed: return "the image could not be encoded (out of memory?)";
    }
    return "unknown result";
}

AtomicFile::~AtomicFile() { release(); }

AtomicFile::AtomicFile(AtomicFile&& other) noexcept { *this = std::move(other); }

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept
{
    if (this == &other) return *this;
    release();
    fd_ = other.fd_;
    name_ = std::move(other.name_);
    temp_ = std::move(other.temp_);
    target_ = std::move(other.target_);
    created_ = other.created_;
    in_place_ = other.in_place_;
    replaces_ = other.replaces_;
    failed_ = other.failed_;
    other.fd_ = -1;
    other.temp_.clear();
    other.created_ = false;
    return *this;
}

void AtomicFile::release()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) unlink(temp_.c_str());
    temp_.clear();
    created_ = false;
}

WriteStatus AtomicFile::create(const std::string& name)
{
    release();
    name_ = name;
    failed_ = in_place_ = replaces_ = false;
    if (name.empty() || !resolve_target(name, &target_)) return WriteStatus::cannot_create;
    struct stat info {};
    const bool exists = stat(target_.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) return WriteStatus::rename_failed;
    if (exists && !S_ISREG(info.st_mode)) {
        // A device or pipe cannot be replaced by renaming; it gets the bytes itself. O_NONBLOCK:
        // a pipe without a reader fails at once instead of waiting.
        in_place_ = true;
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        const int flags = fd_ >= 0 ? fcntl(fd_, F_GETFL) : -1;
        if (flags < 0 || fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) return WriteStatus::cannot_create;
        created_ = true;
        return WriteStatus::ok;
    }
    // A file that could not be opened for writing is not replaced behind its owner's back.
    if (exists && access(target_.c_str(), W_OK) != 0) return WriteStatus::cannot_create;
    replaces_ = exists;
    fd_ = create_unique(target_ + ".tmp", &temp_);
    if (fd_ < 0 && errno == ENAMETOOLONG) fd_ = create_unique(folder_of(target_) + "/.tmp", &temp_);
    if (fd_ < 0) return WriteStatus::cannot_create;
    if (exists && fchmod(fd_, info.st_mode & 0777) != 0) return WriteStatus::cannot_create;
    created_ = true;
    return WriteStatus::ok;
}

bool AtomicFile::write(const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    failed_ = failed_ || fd_ < 0;
    for (size_t done = 0; done < size && !failed_;) {
        const ssize_t wrote = ::write(fd_, bytes + done, size - done);
        if (wrote < 0 && errno == EINTR) continue;
        failed_ = wrote <= 0;
        if (!failed_) done += static_cast<size_t>(wrote);
    }
    return !failed_;
}

WriteStatus AtomicFile::close()
{
    if (fd_ < 0) return failed_ ? WriteStatus::write_failed : WriteStatus::ok;
#ifdef __linux__
    // The rename onto an existing file starts its writeback (ext4 does, so that a crash leaves the
    // old file or the new one), which would hold the rename up: started now, it overlaps.
    if (replaces_ && !failed_) sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    const int fd = fd_;
    fd_ = -1;
    failed_ = ::close(fd) != 0 || failed_;
    return failed_ ? WriteStatus::write_failed : WriteStatus::ok;
}

WriteStatus AtomicFile::commit()
{
    if (!created_) return WriteStatus::cannot_create;
    if (close() != WriteStatus::ok) {
        release();
        return WriteStatus::write_failed;
    }
    created_ = false;
    if (in_place_) return WriteStatus::ok;
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        release();
        return WriteStatus::rename_failed;
    }
    temp_.clear();
    return WriteStatus::ok;
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
        if (status == WriteStatus::ok) continue;
        *failed = i;
        return status;
    }
    return WriteStatus::ok;
}
