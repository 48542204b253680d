// save_output: puts the finished file image on disk without ever leaving a partial file
// under the output name (see output_buffer.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "output/output_buffer.h"
#include "targa/binary_file.h"

// BinaryFile::write takes a signed 32-bit count and the whole image goes in one call.
static_assert(OUTPUT_BUFFER_CAPACITY <= INT32_MAX, "the file image must fit one BinaryFile::write");

namespace {

constexpr int MAX_LINK_HOPS = 40;  // the kernel's own limit on a chain of symbolic links

std::string folder_of(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path the data should land on: name itself, or the file at the end of its chain of
// symbolic links. A dangling link resolves to the path it names, which is then created.
bool resolve_target(const char* name, std::string* target)
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

// The mode fopen gives a new file: 0666 less the process's umask. umask can only be read by
// setting it, so it is put straight back (the tool has one thread).
mode_t new_file_mode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// A temporary file beside the target, removed when it goes out of scope unless kept.
class TempFile {
public:
    TempFile() = default;
    ~TempFile()
    {
        if (!path_.empty()) unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates "<target>.tmpXXXXXX", or a short hidden name in the same folder when the
    // target's name is too long to take the suffix. The file gets the given mode.
    bool create(const std::string& target, mode_t mode)
    {
        int fd = make(target + ".tmpXXXXXX");
        if (fd < 0 && errno == ENAMETOOLONG) fd = make(folder_of(target) + "/.qfb.tmpXXXXXX");
        if (fd < 0) return false;
        const bool moded = fchmod(fd, mode) == 0;
        const bool closed = ::close(fd) == 0;
        return moded && closed;
    }
    const char* path() const { return path_.c_str(); }
    void keep() { path_.clear(); }

private:
    int make(std::string pattern)
    {
        const int fd = mkstemp(&pattern[0]);
        if (fd >= 0) path_ = pattern;
        return fd;
    }
    std::string path_;
};

// One open, one write of the whole image, one close, each checked.
bool write_image(const char* path)
{
    BinaryFile file;
    if (file.open(path, BinaryFile::WRITE) != 0) return false;
    const bool written = file.write(output_buffer, static_cast<int32_t>(output_size())) == 0;
    const bool closed = file.close() == 0;  // the close flushes what stdio still holds
    return written && closed;
}

}  // namespace

bool save_output(const char* name)
{
    if (name == nullptr || name[0] == '\0') return false;
    std::string target;
    if (!resolve_target(name, &target)) return false;

    struct stat info {};
    const bool exists = stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) return false;
    // A device or fifo cannot be replaced by renaming; it gets the data itself.
    if (exists && !S_ISREG(info.st_mode)) return write_image(target.c_str());
    // A file that could not be opened for writing is not replaced behind its owner's back.
    if (exists && access(target.c_str(), W_OK) != 0) return false;

    TempFile temp;
    if (!temp.create(target, exists ? (info.st_mode & 0777) : new_file_mode())) return false;
    if (!write_image(temp.path())) return false;
    if (std::rename(temp.path(), target.c_str()) != 0) return false;
    temp.keep();
    return true;
}
