// BinaryFile: the tool's one way to touch a file, a thin owner of a binary-mode stdio stream.
// Every operation is one stdio call (open and length also go through the descriptor) and
// reports its outcome only through its return value; nothing is printed here.
#pragma once

#include <cstdint>
#include <cstdio>

class BinaryFile {
public:
    // Open modes.
    static constexpr int READ = 1;   // an existing file, "rb"
    static constexpr int WRITE = 2;  // created or truncated, "wb"

    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // Closes any stream already held, then opens name in mode READ or WRITE.
    // Returns 0 when a stream was opened, -1 otherwise (unknown modes open nothing). Never
    // waits on a named pipe: one is not opened for reading, nor for writing without a reader.
    int open(const char* name, int mode);
    // Closes the stream if one is held; closing twice is harmless.
    // Returns 0, or -1 when the final flush or close failed (data may be lost).
    int close();
    bool is_open() const { return stream_ != nullptr; }

    // Writes count bytes as one item. Returns 0 when all were written, -1 otherwise.
    int write(const void* source, int32_t count);
    int write_u8(uint8_t value);
    int write_u16(uint16_t value);  // little-endian

    // Reads count bytes as one item. A short read stores what was there and leaves the rest of
    // destination unchanged; a failure shows through has_error, the end of the file does not.
    void read(void* destination, int32_t count);
    // Bytes that could not be read come back as 0.
    uint8_t read_u8();
    uint16_t read_u16();  // little-endian

    // Absolute position from the start of the file; beyond the end is allowed. 0 or -1.
    int seek(int32_t offset);
    long tell();
    // Size of the open file from its descriptor, not the stream's buffer; -1 on failure.
    long length();
    // Non-zero when the stream's error indicator is set; reaching the end is not an error.
    int has_error();

private:
    std::FILE* stream_ = nullptr;
};
