// Reading a file whole, in one open: a regular file's bytes mapped read-only where the process
// guards mappings (fault_guard.h), read into memory otherwise. The descriptor stays open as long
// as the bytes are held, so that a file cut short while it is read is seen, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class ReadStatus {
    ok,
    cannot_open,            // missing, not permitted, or a named pipe (which may never deliver)
    read_failed,            // a folder, or an error of the system
    out_of_memory,
    changed_while_reading,  // the file was cut short while its bytes were read
    too_large,              // more bytes than the reader takes
};

// Opens name for reading without ever waiting on it: a named pipe is not opened (-1), nor is
// anything that cannot be opened. The caller closes the descriptor.
int open_for_reading(const char* name);

class FileBytes {
public:
    // Bytes that are not a regular file's (a device) are read up to this many: far more than any
    // frame or QFB file holds, and a bound on a device that never ends.
    static constexpr size_t MAX_UNSIZED = size_t{64} << 20;

    FileBytes() = default;
    ~FileBytes() { reset(); }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // Opens name and takes its bytes, mapped when map is true and the process guards mappings; a
    // file of more than limit bytes is refused before any is read.
    ReadStatus open(const char* name, bool map = true, size_t limit = SIZE_MAX);
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool mapped() const { return mapping_ != nullptr; }

    // Runs visit(context), which reads these bytes. On a mapping a file cut short meanwhile gives
    // changed_while_reading: the visit ends at a fault past the new end, and a cut inside the last
    // page (which reads as zeros) shows in the file's length after it. visit must hold nothing that
    // needs destroying (see run_guarded).
    ReadStatus read_guarded(void (*visit)(void*), void* context) const;
    // Copies size bytes from offset (which lie within the bytes) to dest, guarded.
    ReadStatus copy(uint64_t offset, size_t size, void* dest) const;

    void reset();

private:
    int fd_ = -1;
    void* mapping_ = nullptr;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    std::vector<uint8_t> read_;  // the bytes when they are not mapped
};
