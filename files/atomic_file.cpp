// The atomic writer, and the check that an output is none of the inputs (see files.h).
#include "files.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform.h"
#include "temporary_files.h"

namespace {

constexpr int MAX_LINK_HOPS = 40;    // the kernel's own limit on a chain of symbolic links
constexpr int MAX_NAME_TRIES = 100;  // temporary names found taken by other writers before giving up

std::string folder_of(const std::string& path)
{
    const size_t slash = platform::last_separator(path);
    if (slash == std::string::npos) return ".";
    // The root keeps its separator ("/", "C:\"), and so does a drive ("C:" of "C:walk.qfb").
    const bool root = slash == 0 || path[slash] == ':' || (path[slash - 1] == ':' && platform::is_separator(':'));
    return root ? path.substr(0, slash + 1) : path.substr(0, slash);
}

// The path the bytes land on: path, or the file at the end of its chain of symbolic links (a
// dangling link gives the path it names, which is then created). False, with errno set as the
// kernel sets it, for a loop or a chain longer than the kernel would follow (ELOOP), or a link text
// too long to read (ENAMETOOLONG).
bool resolve_target(std::string path, std::string* target)
{
    for (int hop = 0; hop <= MAX_LINK_HOPS; ++hop) {
        std::string text;
        const int link = platform::link_text(path.c_str(), &text);
        if (link == 0) {  // not a link
            *target = path;
            return true;
        }
        if (link < 0) return false;
        path = text[0] == '/' ? text : folder_of(path) + "/" + text;
    }
    errno = ELOOP;
    return false;
}

// Creates a new file named prefix and six characters no other writer of this process uses, listed
// for the handler of the signals that end a run (see temporary_files.h), whose caller holds them.
int create_listed(const std::string& prefix, std::string* path, TemporarySlot** listed)
{
    static std::atomic<uint64_t> counter{0};
    static const char DIGITS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < MAX_NAME_TRIES; ++attempt) {
        uint64_t v = (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15u ^
                     static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        std::string candidate = prefix;
        for (int i = 0; i < 6; ++i, v /= 62) candidate += DIGITS[v % 62];
        TemporarySlot* slot = list_temporary(candidate);
        if (slot == nullptr) return -1;
        const int fd = platform::create_new(candidate.c_str());
        const int error = errno;
        if (fd >= 0) {
            temporary_created(slot);
            *listed = slot;
            *path = candidate;
            return fd;
        }
        unlist_temporary(slot);
        errno = error;
        if (errno != EEXIST) return -1;
    }
    return -1;
}

// create_listed with the signals that end a run held, so that none comes between the file's
// creation and its listing.
int create_unique(const std::string& prefix, std::string* path, TemporarySlot** listed)
{
    platform::hold_interrupts();
    const int fd = create_listed(prefix, path, listed);
    const int error = errno;
    platform::release_interrupts();
    errno = error;
    return fd;
}

}  // namespace

std::string write_failure_reason(WriteStatus status)
{
    return status == WriteStatus::ok || status.error == 0 ? std::string() : std::string(platform::error_text(status.error));
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
    if (s_.fd >= 0) platform::close_descriptor(s_.fd);
    if (!s_.temp.empty()) platform::remove_file(s_.temp.c_str());
    unlist_temporary(s_.listed);  // after the rename or the removal: a signal before either removes it
    s_.listed = nullptr;
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
    platform::FileInfo info;
    const bool exists = platform::info_of_name(s_.target.c_str(), &info);
    if (exists && info.folder) return failure(WriteStatus::rename_failed, EISDIR);
    s_.in_place = exists && !info.regular;
    s_.replaces = exists && !s_.in_place;
    if (s_.in_place) {
        // A device or pipe cannot be replaced by renaming; it gets the bytes itself. A pipe
        // without a reader fails at once instead of waiting.
        s_.fd = platform::open_device_for_writing(s_.target.c_str());
        if (s_.fd < 0) return failure(WriteStatus::cannot_create, errno);
    } else {
        // A file that may not be written is not replaced behind its owner's back.
        if (exists && !platform::may_write(s_.target.c_str())) return failure(WriteStatus::cannot_create, errno);
        s_.fd = create_unique(s_.target + ".tmp", &s_.temp, &s_.listed);
        if (s_.fd < 0 && errno == ENAMETOOLONG)
            s_.fd = create_unique(folder_of(s_.target) + "/.tmp", &s_.temp, &s_.listed);
        if (s_.fd < 0 || (exists && !platform::keep_mode(s_.fd, info.mode)))
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
        const long long wrote = platform::write_some(s_.fd, bytes + done, size - done);
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
        if (s_.replaces && !s_.failed) platform::start_writeback(s_.fd);
        const bool closed = platform::close_descriptor(s_.fd);
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
    if (status == WriteStatus::ok && !s_.in_place && !platform::replace_file(s_.temp.c_str(), s_.target.c_str()))
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
    return platform::same_file(a.c_str(), b.c_str());
}
