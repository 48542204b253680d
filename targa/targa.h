// The Targa reader: every file opened once and its bytes taken whole; the decoder on those bytes in
// memory (the one header check, the colour map and pixel data located within the bytes, rows top
// first: raw rows in place, run-length packets expanded a row at a time), every refusal a named
// TargaError. Also BinaryFile, by which discovery tells that a member exists, and the header the
// tools write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "files.h"

enum class TargaError {
    none,
    cannot_open,
    truncated_header,            // the file ends inside its 18-byte header
    bad_pixel_depth,             // not 8, 16, 24 or 32 bits per pixel
    bad_alpha_bits,              // alpha bits other than 0 or 8
    bad_image_type,              // not 1, 2, 9 or 10
    bad_dimensions,              // width or height >= 32768
    id_field_short,              // the image ID field runs past the end of the file
    colour_map_unsupported,      // a palette was asked for, but the map is not <= 256 entries of 24 bits
    colour_map_short,            // the file does not hold the whole colour map
    too_large_for_destination,   // height x row bytes exceeds the caller's buffer
    out_of_memory,
    read_failed,
    pixel_data_short,            // fewer pixel bytes or RLE packets than the image needs
    rle_packet_crosses_row,      // a packet running past the end of its row
    changed_while_reading,       // the file shrank under a mapping while its pixels were read
    // Refusals that say what to do instead (the header check names them in place of the above).
    greyscale_image,             // image type 3 or 11
    sixteen_bit_colour,          // 15 or 16 bits of true colour that the check refuses
    png_file,                    // another image format, known by its signature
    jpeg_file,
    gif_file,
    bmp_file,
    webp_file,
};

// A short lower-case phrase for the outcome, e.g. "pixel data is cut short"; never null.
const char* targa_error_text(TargaError error);
// The format a file refused as another kind of image is in ("JPEG", "GIF", "BMP", "WebP"), or null.
const char* other_format_name(TargaError error);

constexpr int TARGA_HEADER_SIZE = 18;

// The first 18 bytes of a Targa file, field by field (16-bit fields little-endian).
struct TargaHeader {
    uint8_t id_length = 0;              // bytes of image ID after the header (skipped)
    uint8_t colour_map_type = 0;        // non-zero: a colour map follows the ID field
    uint8_t image_type = 0;             // 1, 2, 9 or 10 accepted
    uint16_t colour_map_first = 0;      // never used
    uint16_t colour_map_length = 0;     // entries in the colour map
    uint8_t colour_map_entry_size = 0;  // bits per colour map entry
    uint16_t x_origin = 0;              // never used
    uint16_t y_origin = 0;              // never used
    int32_t width = 0;                  // sign-extended from 16 bits
    int32_t height = 0;                 // sign-extended from 16 bits
    uint8_t pixel_depth = 0;            // 8, 16, 24 or 32 accepted
    uint8_t image_descriptor = 0;       // bits 0-3 alpha bits, bit 5 top row first
};

// Image descriptor bit: rows are stored top row first.
constexpr uint8_t TARGA_TOP_FIRST = 0x20;

// True for the run-length image types (9 and 10); 1 and 2 are stored uncompressed.
inline bool targa_is_rle(const TargaHeader& header) { return header.image_type == 9 || header.image_type == 10; }

// The header check on the first size bytes of a file, in this order: 18 bytes there (else
// truncated_header), pixel depth 8, 16, 24 or 32, alpha bits 0 or 8, image type 1, 2, 9 or 10,
// width and height below 32768, the image ID field within the file. A refusal is named by what
// the file is when that says what to do: another image format (by its signature), a greyscale
// image, 15 or 16-bit colour. header may hold part of the fields after a refusal.
TargaError check_targa_header(const uint8_t* data, size_t size, TargaHeader& header);

// The header of an uncompressed true-colour image of 24 or 32 bits as the tools write it: an ID of
// id_length bytes (written after the header by the caller), no colour map, top row first, 8 alpha
// bits at 32 bits.
void encode_targa_header(uint16_t width, uint16_t height, uint8_t bits_per_pixel, uint8_t out[TARGA_HEADER_SIZE],
                         uint8_t id_length = 0);

// Size of a palette: 256 entries of red, green, blue.
constexpr size_t TARGA_PALETTE_BYTES = 256 * 3;

// A checked image and where its pixel data lies in the file's bytes.
struct TargaImage {
    TargaHeader header;
    uint64_t image_bytes = 0;        // width x height x bytes per pixel: what a destination receives
    const uint8_t* pixels = nullptr;  // the first byte of pixel data
    size_t available = 0;            // bytes from there to the end of the file
};

// After check_targa_header on the same bytes, the checks of loading, in this order: an image of
// more than dest_size bytes is refused (too_large_for_destination); a colour map is read into
// palette (red, green, blue, the entries past the map zeroed: only up to 256 entries of 24 bits,
// else colour_map_unsupported) or skipped when palette is null, and must lie within the bytes
// (colour_map_short); an image with pixels needs its pixel data to start within the bytes, and an
// uncompressed one all of its rows (pixel_data_short). A run-length image's data shows whether it
// is whole only while it is decoded.
TargaError locate_targa_pixels(const uint8_t* data, size_t size, const TargaHeader& header, size_t dest_size,
                               uint8_t* palette, TargaImage& out);

// Row top_row (0 = the top) of a located uncompressed image, where the file stores it.
const uint8_t* targa_raw_row(const TargaImage& image, int32_t top_row);

// Puts the located image's pixels into dest (image_bytes of room), top row first. A refusal
// (pixel_data_short, rle_packet_crosses_row) may leave the rows before it written.
TargaError decode_targa(const TargaImage& image, uint8_t* dest);

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

// A Targa file opened once: its bytes taken whole (mapped where they can be), its header checked
// once, then its pixels located and read from those same bytes. read_targa_info and read_targa
// are this in one call each.
class TargaFile {
public:
    // Opens name and checks its header: the refusals of the probe.
    TargaError open(const char* name);
    const TargaHeader& header() const { return header_; }
    // The image ID field's bytes after a successful open; empty when there are none, or when the
    // file was cut short meanwhile.
    std::string image_id() const;

    // The checks of loading (see locate_targa_pixels), after open.
    TargaError locate(size_t dest_size, uint8_t* palette = nullptr);
    const TargaImage& image() const { return image_; }

    // Puts the located image's pixels into dest, top row first.
    TargaError load(uint8_t* dest);

    // Calls visit for every row of a located uncompressed image, top row first, with the row's
    // pixels in place in the file's bytes. A file cut short meanwhile gives changed_while_reading
    // (rows visited before then stay done); visit must hold nothing that needs destroying.
    using RowVisitor = void (*)(const uint8_t* row, int32_t top_row, void* context);
    TargaError visit_rows(RowVisitor visit, void* context) const;

private:
    FileBytes bytes_;
    TargaHeader header_;
    TargaImage image_;
};

// Returns 0 and the geometry, or 1 (out-values untouched); *why (when non-null) gets the reason.
int read_targa_info(const char* name, int32_t* width_out, int32_t* height_out, int32_t* bits_per_pixel_out,
                    TargaError* why = nullptr);

// Loads the pixels top row first into dest (dest_size bytes of room), each pixel in the file's
// byte order (8-bit images give colour map indices). When palette (TARGA_PALETTE_BYTES) is
// non-null and the file has a colour map, the map is stored into it as red, green, blue and the
// entries past the map are zeroed; with a null palette a colour map is skipped.
// Returns 0 or 1; *why (when non-null) gets the reason. A refusal may leave partial rows in dest.
int read_targa(const char* name, uint8_t* dest, size_t dest_size, uint8_t* palette, TargaError* why = nullptr);

// A thin owner of one binary-mode stdio stream; nothing is printed here.
class BinaryFile {
public:
    // Open modes.
    static constexpr int READ = 1;   // an existing file, "rb"
    static constexpr int WRITE = 2;  // created or truncated, "wb"

    BinaryFile() = default;
    ~BinaryFile() { close(); }
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // Closes any stream already held, then opens name in mode READ or WRITE. Returns 0 when a
    // stream was opened, -1 otherwise (unknown modes open nothing). Never waits on a named pipe:
    // one is not opened for reading, nor for writing without a reader.
    int open(const char* name, int mode);
    // Closes the stream if one is held; closing twice is harmless. Returns 0, or -1 when the final
    // flush or close failed.
    int close();
    bool is_open() const { return stream_ != nullptr; }

private:
    std::FILE* stream_ = nullptr;
};
