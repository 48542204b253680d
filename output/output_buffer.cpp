// The static file image and pixel buffer, the appenders and the save (see output.h).
#include "output.h"

#include <cassert>
#include <cstring>

#include "files.h"

alignas(64) uint8_t pixel_buffer[PIXEL_BUFFER_SIZE];
alignas(HUGE_PAGE_ALIGNMENT) uint8_t output_buffer[OUTPUT_BUFFER_CAPACITY];
uint8_t* output_cursor = output_buffer;

namespace {

[[maybe_unused]] size_t room_left() { return OUTPUT_BUFFER_CAPACITY - output_size(); }

}  // namespace

void write_bytes(const void* source, uint32_t count)
{
    assert(count <= room_left());
    if (count == 0) return;  // source may be null for an empty copy
    std::memcpy(output_cursor, source, count);
    output_cursor += count;
}

void write_header(const qfb_header& header)
{
    uint8_t bytes[QFB_HEADER_SIZE];
    qfb_encode_header(&header, bytes);
    write_bytes(bytes, QFB_HEADER_SIZE);
}

size_t output_size() { return static_cast<size_t>(output_cursor - output_buffer); }

void reset_output() { output_cursor = output_buffer; }

WriteStatus save_output(const char* name)
{
    return write_whole_file(name != nullptr ? name : "", output_buffer, output_size());  // "": nothing is created
}
