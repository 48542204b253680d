// BinaryFile: a thin owner of one binary-mode stdio stream, the way discovery tells whether a
// member exists (it can be opened for reading). Files are read whole through FileBytes and
// written through AtomicFile; nothing is printed here.
#pragma once

#include <cstdio>

class BinaryFile {
public:
    // Open modes.
    static constexpr int READ = 1;   // an existing file, "rb"
    static constexpr int WRITE = 2;  // created or truncated, "wb"

    BinaryFile() = default;
    ~BinaryFile() { close(); }
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // Closes any stream already held, then opens name in mode READ or WRITE. Returns 0 when a
    // stream was opened, -1 otherwise (unknown modes open nothing). Never waits on a named pipe:
    // one is not opened for reading, nor for writing without a reader.
    int open(const char* name, int mode);
    // Closes the stream if one is held; closing twice is harmless. Returns 0, or -1 when the final
    // flush or close failed.
    int close();
    bool is_open() const { return stream_ != nullptr; }

private:
    std::FILE* stream_ = nullptr;
};
