// The in-memory image of the QFB file being built, the load target of every image, and the
// appenders that fill the file image at output_cursor; save_output writes it to disk.
#pragma once

#include <cstddef>
#include <cstdint>

#include <qfb/qfb.h>

#include "set_checks.h"

// One loaded image: the most pixel bytes an image of a set may have.
constexpr size_t PIXEL_BUFFER_SIZE = MAX_IMAGE_BYTES;
// The whole QFB file: the largest a QFB file may be.
constexpr size_t OUTPUT_BUFFER_CAPACITY = QFB_MAX_FILE_SIZE;

alignas(64) extern uint8_t pixel_buffer[PIXEL_BUFFER_SIZE];
alignas(64) extern uint8_t output_buffer[OUTPUT_BUFFER_CAPACITY];
// Where the next byte of the file goes; output_cursor - output_buffer is the file's size so far.
extern uint8_t* output_cursor;

// The appenders do not check the room left (a debug build asserts it): the caller checks the
// whole file's size before the header is written.
void write_u32(uint32_t value);  // four bytes, least significant first
void write_bytes(const void* source, uint32_t count);
// The 32-byte header, laid out by the format library.
void write_header(const qfb_header& header);

size_t output_size();  // output_cursor - output_buffer
void reset_output();   // the cursor back to the start (for in-process runs: tests and fuzzing)

// Writes the output_size() bytes of the file image to name, in one write, through the atomic
// writer (see atomic_file.h). True only when every byte reached the file and it took its name.
bool save_output(const char* name);
