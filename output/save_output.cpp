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
#include "targa/temp_file.h"

// BinaryFile::write takes a signed 32-bit count and the whole image goes in one call.
static_assert(OUTPUT_BUFFER_CAPACITY <= INT32_MAX, "the file image must fit one BinaryFile::write");

namespace {

constexpr int MAX_LINK_HOPS = 40;  // the kernel's own limit on a chain of symbolic links

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
    return temp.write_and_close(output_buffer, output_size()) && temp.commit(target);
}
