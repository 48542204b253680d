// The QFB file layout, in one place for the writer and for any reader: the 32-byte header
// (the four bytes ".qfb", then seven little-endian 32-bit fields: the constant 1, width,
// height, format, fps, frame count, mipmap count) and the sizes of the pixel data after it.
// The pixel data is frame after frame, each frame its levels from full size down, each level
// W x H 16-bit little-endian words, rows top first, with nothing in between.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t QFB_HEADER_SIZE = 32;
constexpr uint32_t QFB_HEADER_CONSTANT = 1;  // the field after the magic; always 1
inline constexpr uint8_t QFB_MAGIC[4] = {'.', 'q', 'f', 'b'};

struct QfbHeader {
    int32_t width, height, format, fps, frame_count, mipmap_count;
};

// Lays the header out in file order (note: fps comes before frame count and mipmap count).
void encode_qfb_header(const QfbHeader& header, uint8_t out[QFB_HEADER_SIZE]);

enum class QfbHeaderStatus {
    ok,
    too_short,       // fewer than QFB_HEADER_SIZE bytes
    bad_magic,       // the first four bytes are not ".qfb"
    bad_constant,    // the field after the magic is not 1
    bad_dimensions,  // width or height above INT32_MAX
    bad_format,      // not 0 (1555), 1 (4444) or 2 (565)
    bad_fps,         // 0 or above INT32_MAX
    bad_frame_count, // 0 or above INT32_MAX
    bad_mipmap_count // above INT32_MAX
};

// Reads and checks the header from the first size bytes of bytes; header is filled only on ok.
QfbHeaderStatus decode_qfb_header(const uint8_t* bytes, size_t size, QfbHeader* header);
// A short lower-case description of a status ("not a QFB file (wrong magic)", ...).
const char* qfb_header_status_text(QfbHeaderStatus status);

// Size of mipmap level `level` (0 = full size): width and height halved `level` times by
// integer division. A negative level is taken as 0.
void qfb_level_size(int32_t width, int32_t height, int32_t level, int32_t* w, int32_t* h);

// Bytes of the whole file: the header plus frame_count x (every level's W x H x 2 bytes).
// False, with *size untouched, when an input is negative or the size does not fit in 64 bits.
bool qfb_file_size(int32_t width, int32_t height, int32_t frame_count, int32_t mipmap_count,
                   uint64_t* size);

// Byte offset from the start of the file of level `level` of frame `frame` (both counted from 0):
// the header, then `frame` whole frames, then levels 0 .. level - 1 of that frame. False, with
// *offset untouched, when an input is negative, level is above mipmap_count, or the offset does
// not fit in 64 bits.
bool qfb_level_offset(int32_t width, int32_t height, int32_t mipmap_count, int32_t frame,
                      int32_t level, uint64_t* offset);
