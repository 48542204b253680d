// The Targa writer (see targa_writer.h): header layout, temporary file, rows, rename.
#include "targa/targa_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "targa/binary_file.h"
#include "targa/temp_file.h"

namespace {

constexpr uint8_t UNCOMPRESSED_TRUE_COLOUR = 2;
constexpr uint8_t BITS_PER_PIXEL = 32;
constexpr size_t BYTES_PER_PIXEL = 4;

void put_u16(uint8_t* out, uint16_t value)
{
    out[0] = static_cast<uint8_t>(value & 0xFF);
    out[1] = static_cast<uint8_t>(value >> 8);
}

TargaWriteResult write_rows(const char* path, int32_t width, int32_t height, const TargaRowSource& source)
{
    BinaryFile file;
    if (file.open(path, BinaryFile::WRITE) != 0) return TargaWriteResult::cannot_create;
    uint8_t header[TARGA_HEADER_SIZE];
    encode_targa32_header(static_cast<uint16_t>(width), static_cast<uint16_t>(height), header);
    if (file.write(header, TARGA_HEADER_SIZE) != 0) return TargaWriteResult::write_failed;
    // At most 65535 x 4 bytes: one row, whatever the height.
    std::vector<uint8_t> row(static_cast<size_t>(width) * BYTES_PER_PIXEL);
    for (int32_t y = 0; y < height && width > 0; ++y) {
        if (!source(y, row.data())) return TargaWriteResult::source_failed;
        if (file.write(row.data(), static_cast<int32_t>(row.size())) != 0) return TargaWriteResult::write_failed;
    }
    return file.close() == 0 ? TargaWriteResult::ok : TargaWriteResult::write_failed;
}

}  // namespace

void encode_targa_header(uint16_t width, uint16_t height, uint8_t bits_per_pixel, uint8_t out[TARGA_HEADER_SIZE])
{
    for (int i = 0; i < TARGA_HEADER_SIZE; ++i) out[i] = 0;
    out[2] = UNCOMPRESSED_TRUE_COLOUR;  // no ID field (0), no colour map (1), no map fields (3-7)
    put_u16(out + 12, width);           // origin (8-11) stays 0
    put_u16(out + 14, height);
    out[16] = bits_per_pixel;
    out[17] = bits_per_pixel == BITS_PER_PIXEL ? TARGA_WRITER_DESCRIPTOR : TARGA_TOP_FIRST;
}

void encode_targa32_header(uint16_t width, uint16_t height, uint8_t out[TARGA_HEADER_SIZE])
{
    encode_targa_header(width, height, BITS_PER_PIXEL, out);
}

const char* targa_write_result_text(TargaWriteResult result)
{
    switch (result) {
    case TargaWriteResult::ok: return "written";
    case TargaWriteResult::bad_size: return "width or height out of range";
    case TargaWriteResult::cannot_create: return "the file could not be created";
    case TargaWriteResult::write_failed: return "a write failed";
    case TargaWriteResult::rename_failed: return "the finished file could not take its name";
    case TargaWriteResult::source_failed: return "its pixels could not be read";
    }
    return "unknown result";
}

TargaWriteResult write_targa32(const char* name, int32_t width, int32_t height, const TargaRowSource& source)
{
    if (width < 0 || height < 0 || width > TARGA_WRITER_MAX_SIDE || height > TARGA_WRITER_MAX_SIDE)
        return TargaWriteResult::bad_size;
    if (name == nullptr || name[0] == '\0') return TargaWriteResult::cannot_create;
    TempFile temp;
    if (!temp.create(name, new_file_mode()) || !temp.close()) return TargaWriteResult::cannot_create;
    const TargaWriteResult written = write_rows(temp.path(), width, height, source);
    if (written != TargaWriteResult::ok) return written;
    return temp.commit(name) ? TargaWriteResult::ok : TargaWriteResult::rename_failed;
}
