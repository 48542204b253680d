// The in-memory image of the QFB file being built, the load target of every image, and the
// appenders that fill the file image at output_cursor; save_output writes it to disk.
#pragma once

#include <cstddef>
#include <cstdint>

#include <qfb/qfb.h>

// One loaded image: 1024 x 512 pixels of 4 bytes.
constexpr size_t PIXEL_BUFFER_SIZE = 2097152;
// The whole QFB file: the largest a QFB file may be.
constexpr size_t OUTPUT_BUFFER_CAPACITY = QFB_MAX_FILE_SIZE;

alignas(64) extern uint8_t pixel_buffer[PIXEL_BUFFER_SIZE];
alignas(64) extern uint8_t output_buffer[OUTPUT_BUFFER_CAPACITY];
// Where the next byte of the file goes; output_cursor - output_buffer is the file's size so far.
extern uint8_t* output_cursor;

// The appenders do not check the room left (a debug build asserts it): the caller checks the
// whole file's size with qfb_layout before the header is written.
void write_u32(uint32_t value);  // four bytes, least significant first
void write_bytes(const void* source, uint32_t count);
// The 32-byte header. The arguments come in this order, but in the file fps stands before
// frame_count and mipmap_count.
void write_header(int32_t width, int32_t height, int32_t format, int32_t frame_count,
                  int32_t mipmap_count, int32_t fps);

size_t output_size();  // output_cursor - output_buffer
void reset_output();   // the cursor back to the start (for in-process tests and fuzzing only)

// Writes the output_size() bytes of the file image to name. True only when every byte
// reached the file and it was closed without error. A regular file (or a new name) is written
// as a temporary beside it and renamed into place, so a failure leaves no partial file and an
// existing file unchanged; a symbolic link is followed and its target replaced; a directory
// fails; any other existing non-regular file (a device, a fifo) is written in place.
bool save_output(const char* name);
