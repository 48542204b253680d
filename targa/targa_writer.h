// Writing a Targa file: uncompressed (image type 2), 32 bits per pixel, top row first with
// 8 alpha bits (descriptor 0x28), one row at a time so that any image needs one row of memory.
#pragma once

#include <cstdint>
#include <functional>

#include "targa/targa_header.h"

// Image descriptor of every file written here: top row first, 8 bits of alpha.
constexpr uint8_t TARGA_WRITER_DESCRIPTOR = TARGA_TOP_FIRST | 8;
// The header stores width and height in 16 bits.
constexpr int32_t TARGA_WRITER_MAX_SIDE = 65535;

// Lays out the 18-byte header of a width x height image as written here (no ID, no colour map).
void encode_targa32_header(uint16_t width, uint16_t height, uint8_t out[TARGA_HEADER_SIZE]);
// The same header for 24 bits per pixel (descriptor: top row first, no alpha bits) or 32.
void encode_targa_header(uint16_t width, uint16_t height, uint8_t bits_per_pixel, uint8_t out[TARGA_HEADER_SIZE]);

enum class TargaWriteResult {
    ok,
    bad_size,       // width or height negative or above TARGA_WRITER_MAX_SIDE
    cannot_create,  // no temporary file could be made beside the name
    write_failed,   // a write or the close failed
    rename_failed,  // the finished file could not take the name (a folder of that name, ...)
    source_failed,  // the row source returned false
};

// A short lower-case phrase for the result, e.g. "a write failed"; never null.
const char* targa_write_result_text(TargaWriteResult result);

// Fills row y (0 = the top row) with width pixels of blue, green, red, alpha; false stops the write.
using TargaRowSource = std::function<bool(int32_t y, uint8_t* bgra)>;

// Writes the image to name. The bytes go to a temporary file in name's folder that is renamed
// over name only once complete, so a failure leaves no partial file and an existing file as it
// was, and a symbolic link at name is replaced by the new file, never written through.
// The new file gets the mode a newly created file gets (0666 less the umask).
TargaWriteResult write_targa32(const char* name, int32_t width, int32_t height, const TargaRowSource& source);
