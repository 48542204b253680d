// TempFile: a file written whole under a temporary name beside its target, then renamed into
// place, so that a failed write never leaves a partial file and never destroys the old one.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

// The folder part of path: "." when it has none, "/" for a file in the root.
std::string folder_of(const std::string& path);

// The mode fopen gives a new file: 0666 less the process's umask.
mode_t new_file_mode();

class TempFile {
public:
    TempFile() = default;
    ~TempFile();  // closes the descriptor and removes the file unless it was committed
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates "<target>.tmpXXXXXX", or a short hidden name in the same folder when the target's
    // name is too long to take the suffix, open for writing, with the given mode.
    bool create(const std::string& target, mode_t mode);
    // Writes size bytes through the descriptor that made the file (the kernel may take them in
    // parts). True when every byte went.
    bool write(const uint8_t* data, size_t size);
    // write, then close. True when every byte went and the close reported no error.
    bool write_and_close(const uint8_t* data, size_t size);
    // Starts writing what was written so far to the disk, without waiting for it (Linux only;
    // elsewhere nothing). For a file about to replace another: ext4 starts that writeback itself
    // during the rename, which then holds the caller up.
    void start_writeback();
    // Closes the descriptor, for a caller that writes the file by its path instead.
    bool close();
    // Renames the finished file to target; from then on it is no longer removed.
    bool commit(const std::string& target);
    const char* path() const { return path_.c_str(); }

private:
    int make(std::string pattern);
    int fd_ = -1;
    std::string path_;
};
