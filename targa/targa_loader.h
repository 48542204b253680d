// The Targa image loader: read_targa puts an image's pixels into the caller's buffer top row
// first; locate_targa_pixels, the checks it shares with the mapping loader; and its two row
// helpers, decode_rle_row (run-length packets) and copy_pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "targa/binary_file.h"
#include "targa/targa_error.h"
#include "targa/targa_header.h"

// Size of the caller's palette: 256 entries of red, green, blue.
constexpr size_t TARGA_PALETTE_BYTES = 256 * 3;

// Where an image's pixel data lies in its file, as locate_targa_pixels found it.
struct TargaPixels {
    TargaHeader header;
    uint64_t image_bytes = 0;  // width x height x bytes per pixel: what the destination receives
    uint64_t start = 0;        // file offset of the first pixel byte (0 when image_bytes is 0)
    uint64_t file_length = 0;  // the file's length when it was checked (0 when image_bytes is 0)
};

// True for the run-length image types (9 and 10); 1 and 2 are stored uncompressed.
inline bool targa_is_rle(const TargaHeader& header) { return header.image_type == 9 || header.image_type == 10; }

// The checks every loader makes, in this order: opens name in file and checks its header,
// refuses an image of more than dest_size bytes (too_large_for_destination), reads the colour
// map into palette or skips it (as read_targa describes), and finds where the pixel data starts.
// An image with pixels must start within the file, and an uncompressed one must hold its
// height x row bytes from there on (pixel_data_short). On success the stream stands at the
// first pixel byte.
TargaError locate_targa_pixels(BinaryFile& file, const char* name, size_t dest_size, uint8_t* palette,
                               TargaPixels& out);

// Loads the pixels top row first into dest (dest_size bytes of room), each pixel in the file's
// byte order (8-bit images give colour map indices). When palette (TARGA_PALETTE_BYTES) is
// non-null and the file has a colour map, the map is stored into it as red, green, blue and the
// entries past the map are zeroed; with a null palette a colour map is skipped.
// Returns 0 or 1; *why (when non-null) gets the reason. A refusal may leave partial rows in dest.
int read_targa(const char* name, uint8_t* dest, size_t dest_size, uint8_t* palette, TargaError* why = nullptr);

// Decodes run-length packets from source (source_size bytes available) into dest_row until
// pixel_count pixels of bytes_per_pixel (1 to 4) bytes are written. On success returns
// TargaError::none and sets consumed to the source bytes used (packet headers and pixels).
// Refuses, without reading or writing out of bounds, a packet that runs out of source
// (pixel_data_short) or that would run past pixel_count (rle_packet_crosses_row); consumed is
// then left unchanged and dest_row may hold part of the row.
TargaError decode_rle_row(uint8_t* dest_row, const uint8_t* source, size_t source_size, size_t pixel_count,
                          int bytes_per_pixel, size_t& consumed);

// Copies count pixels of bytes_per_pixel bytes in one block copy and advances both cursors.
void copy_pixels(size_t count, uint8_t*& dest, const uint8_t*& source, int bytes_per_pixel);
