// makeqfb's bitmap output: the five converters on the format library's encoder, each printing its
// notice, then truncating width x height pixels into little-endian words; and the in-memory image
// of the QFB file, the load target of every image, the appenders and the save in one write.
#pragma once

#include <cstddef>
#include <cstdint>

#include <qfb/qfb.h>

#include "files.h"
#include "frameset.h"

// makeqfb's name for a 16-bit layout's code, as chosen on the command line and stored in the
// QFB header (the codes, names and fields are the format library's).
enum PixelFormat : int32_t { FORMAT_1555 = QFB_FORMAT_1555, FORMAT_4444 = QFB_FORMAT_4444, FORMAT_565 = QFB_FORMAT_565 };

// One converter: its notice, its source pixel size, and its format.
struct PixelConverter {
    const char* notice;   // the line create_bitmap prints first, e.g. "Creating 565 from 24bpp.\n"
    int source_bytes;     // bytes of one source pixel: 3 or 4
    PixelFormat format;
    // Converts count pixels at source into count words at dest (2-byte aligned), printing nothing.
    void convert(const uint8_t* source, uint16_t* dest, size_t count) const;
};

// The converter for (bits_per_pixel, format): 24 selects the 3-byte converters, any other depth
// the 4-byte ones; nullptr for a combination without one (24 with 4444, or a format code outside
// 0-2). Nothing is printed.
const PixelConverter* select_converter(int32_t bits_per_pixel, PixelFormat format);

// select_converter's choice, for a combination that must have one: a combination without one
// prints an "INTERNAL ERROR: ..." line and ends the process with status 1.
const PixelConverter& converter_for(int32_t bits_per_pixel, PixelFormat format);

// Converts with converter_for's choice, printing its notice first.
void create_bitmap(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height,
                   int32_t bits_per_pixel, PixelFormat format);

void create_1555_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
void create_565_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
// Bit 15 is set only where the source alpha is exactly 0.
void create_1555_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
void create_4444_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);
// The alpha byte is read over and has no effect.
void create_565_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height);

// One loaded image: the most pixel bytes an image of a set may have.
constexpr size_t PIXEL_BUFFER_SIZE = MAX_IMAGE_BYTES;
// The whole QFB file: the largest a QFB file may be.
constexpr size_t OUTPUT_BUFFER_CAPACITY = QFB_MAX_FILE_SIZE;

alignas(64) extern uint8_t pixel_buffer[PIXEL_BUFFER_SIZE];
alignas(HUGE_PAGE_ALIGNMENT) extern uint8_t output_buffer[OUTPUT_BUFFER_CAPACITY];
// Where the next byte of the file goes; output_cursor - output_buffer is the file's size so far.
extern uint8_t* output_cursor;

// The appenders do not check the room left (a debug build asserts it): the caller checks the
// whole file's size before the header is written.
void write_bytes(const void* source, uint32_t count);
// The 32-byte header, laid out by the format library.
void write_header(const qfb_header& header);

size_t output_size();  // output_cursor - output_buffer
void reset_output();   // the cursor back to the start (for in-process runs: tests and fuzzing)

// Writes the output_size() bytes of the file image to name, in one write, through the atomic
// writer (see files.h). ok only when every byte reached the file and it took its name.
WriteStatus save_output(const char* name);
