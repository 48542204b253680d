// TempFile and its path helpers (see temp_file.h).
#include "targa/temp_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

std::string folder_of(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

mode_t new_file_mode()
{
    // umask can only be read by setting it, so it is put straight back (the tools have one thread).
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

TempFile::~TempFile()
{
    close();
    if (!path_.empty()) unlink(path_.c_str());
}

int TempFile::make(std::string pattern)
{
    const int fd = mkstemp(&pattern[0]);
    if (fd >= 0) path_ = pattern;
    return fd;
}

bool TempFile::create(const std::string& target, mode_t mode)
{
    fd_ = make(target + ".tmpXXXXXX");
    if (fd_ < 0 && errno == ENAMETOOLONG) fd_ = make(folder_of(target) + "/.tmpXXXXXX");
    return fd_ >= 0 && fchmod(fd_, mode) == 0;
}

bool TempFile::write(const uint8_t* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t wrote = ::write(fd_, data + done, size - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

bool TempFile::write_and_close(const uint8_t* data, size_t size) { return write(data, size) && close(); }

void TempFile::start_writeback()
{
#ifdef __linux__
    if (fd_ >= 0) sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool TempFile::close()
{
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
}

bool TempFile::commit(const std::string& target)
{
    if (std::rename(path_.c_str(), target.c_str()) != 0) return false;
    path_.clear();
    return true;
}
