// The static file image and pixel buffer, and the appenders (see output_buffer.h).
#include "output/output_buffer.h"

#include <cassert>
#include <cstring>


alignas(64) uint8_t pixel_buffer[PIXEL_BUFFER_SIZE];
alignas(64) uint8_t output_buffer[OUTPUT_BUFFER_CAPACITY];
uint8_t* output_cursor = output_buffer;

namespace {

[[maybe_unused]] size_t room_left() { return OUTPUT_BUFFER_CAPACITY - output_size(); }

}  // namespace

void write_u32(uint32_t value)
{
    assert(room_left() >= 4);
    output_cursor[0] = static_cast<uint8_t>(value);
    output_cursor[1] = static_cast<uint8_t>(value >> 8);
    output_cursor[2] = static_cast<uint8_t>(value >> 16);
    output_cursor[3] = static_cast<uint8_t>(value >> 24);
    output_cursor += 4;
}

void write_bytes(const void* source, uint32_t count)
{
    assert(count <= room_left());
    if (count == 0) return;  // source may be null for an empty copy
    std::memcpy(output_cursor, source, count);
    output_cursor += count;
}

void write_header(int32_t width, int32_t height, int32_t format, int32_t frame_count,
                  int32_t mipmap_count, int32_t fps)
{
    uint8_t header[QFB_HEADER_SIZE];
    const qfb_header fields = {width, height, format, fps, frame_count, mipmap_count};
    qfb_encode_header(&fields, header);
    write_bytes(header, QFB_HEADER_SIZE);
}

size_t output_size() { return static_cast<size_t>(output_cursor - output_buffer); }

void reset_output() { output_cursor = output_buffer; }
