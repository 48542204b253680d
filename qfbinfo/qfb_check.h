// Checking a QFB file before anything is printed or extracted: its header field by field, the
// limits of what makeqfb can have written, and its size against the size the header implies,
// compared in overflow-checked 64-bit arithmetic so that a lying header never leads to an
// allocation or a read past the end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "driver/frame_names.h"
#include "output/output_buffer.h"
#include "output/qfb_format.h"
#include "targa/binary_file.h"

// Widest or tallest full-size level: makeqfb refuses a larger Targa image, so no file it
// wrote has one, and every level then fits a Targa header when extracted.
constexpr int32_t QFBINFO_MAX_SIDE = 32767;
// Most mipmap levels: the naming convention has no level letter after this one.
constexpr int32_t QFBINFO_MAX_MIPMAPS = MAX_MIPMAP_LEVEL;
// Most frames: what a file of makeqfb's largest size holds at the smallest non-empty frame
// (2 bytes). Only empty frames could claim more, and they would only cost time.
constexpr int32_t QFBINFO_MAX_FRAMES = static_cast<int32_t>((OUTPUT_BUFFER_CAPACITY - QFB_HEADER_SIZE) / 2);

enum class QfbProblem {
    none,
    cannot_open,
    read_failed,       // the header could not be read (a folder, an I/O error)
    bad_header,        // decode_qfb_header refused it: see header_status
    side_too_large,    // width or height above QFBINFO_MAX_SIDE
    too_many_mipmaps,  // above QFBINFO_MAX_MIPMAPS
    too_many_frames,   // above QFBINFO_MAX_FRAMES
    size_overflow,     // the size the header implies does not fit in 64 bits
    cut_short,         // the file is smaller than its header implies
    extra_bytes,       // the file is larger than its header implies
};

struct QfbCheck {
    QfbProblem problem = QfbProblem::none;
    QfbHeaderStatus header_status = QfbHeaderStatus::ok;  // why, for bad_header
    QfbHeader header{};                                   // valid from side_too_large on
    uint64_t file_size = 0;                               // bytes on disk
    uint64_t expected_size = 0;                           // bytes the header implies (cut_short, extra_bytes, none)
};

// Checks the first `available` bytes of a file of file_size bytes (available is at most
// QFB_HEADER_SIZE; fewer only when the file is shorter). No I/O.
QfbCheck check_qfb_header_bytes(const uint8_t* bytes, size_t available, uint64_t file_size);

// Opens name into file and checks it. On QfbProblem::none the stream stands at the first
// pixel (byte QFB_HEADER_SIZE); otherwise file is closed.
QfbCheck check_qfb_file(const char* name, BinaryFile& file);

// Prints "Couldn't read QFB file NAME: reason.": the one message for a problem.
void print_qfb_problem(const char* name, const QfbCheck& check);
