// The Targa header check over a file's bytes, the header the tools write, and the texts of the
// reader's outcomes (see targa.h).
#include "targa.h"

#include <cstring>

namespace {

uint16_t u16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

// 16-bit header fields are signed when they hold a size: 0x8000 and up become negative.
int32_t sign_extended(const uint8_t* at) { return static_cast<int32_t>(static_cast<int16_t>(u16(at))); }

bool accepted_depth(uint8_t depth) { return depth == 8 || depth == 16 || depth == 24 || depth == 32; }

bool accepted_type(uint8_t type) { return type == 1 || type == 2 || type == 9 || type == 10; }

TargaError check_fields(const TargaHeader& header, size_t size)
{
    if (!accepted_depth(header.pixel_depth)) return TargaError::bad_pixel_depth;
    const int alpha_bits = header.image_descriptor & 0x0F;
    if (alpha_bits != 0 && alpha_bits != 8) return TargaError::bad_alpha_bits;
    if (!accepted_type(header.image_type)) return TargaError::bad_image_type;
    // Sizes of 32768 and more are negative after sign extension: outside what the tool handles.
    if (header.width < 0 || header.height < 0) return TargaError::bad_dimensions;
    // A file that ends inside its ID field is cut short, whatever follows.
    if (size < size_t{TARGA_HEADER_SIZE} + header.id_length) return TargaError::id_field_short;
    return TargaError::none;
}

bool starts_with(const uint8_t* head, const char* signature, size_t length)
{
    return std::memcmp(head, signature, length) == 0;
}

// Another image format, known by its first bytes; none when the bytes name none. Every one of
// these signatures puts a value at the image type's place (byte 2) or the depth's (byte 16) that
// the check refuses, so a file the check accepts is never taken for one.
TargaError other_format(const uint8_t* data, size_t size)
{
    uint8_t head[12] = {};  // the longest signature: "RIFF", a size, "WEBP"; a shorter file leaves zeros
    if (size > 0) std::memcpy(head, data, size < sizeof head ? size : sizeof head);
    if (starts_with(head, "\x89PNG\r\n\x1a\n", 8)) return TargaError::png_file;
    if (starts_with(head, "\xff\xd8\xff", 3)) return TargaError::jpeg_file;
    if (starts_with(head, "GIF87a", 6) || starts_with(head, "GIF89a", 6)) return TargaError::gif_file;
    if (starts_with(head, "RIFF", 4) && starts_with(head + 8, "WEBP", 4)) return TargaError::webp_file;
    // "BM", the file size, then four reserved bytes that are always 0.
    if (starts_with(head, "BM", 2) && starts_with(head + 6, "\0\0\0\0", 4)) return TargaError::bmp_file;
    return TargaError::none;
}

// Names a refusal by what the file is when that tells the user what to do.
TargaError explain_refusal(const uint8_t* data, size_t size, const TargaHeader& header, TargaError error)
{
    const TargaError format = other_format(data, size);
    if (format != TargaError::none) return format;
    const bool field_refused = error == TargaError::bad_pixel_depth || error == TargaError::bad_alpha_bits ||
                               error == TargaError::bad_image_type;
    if (!field_refused) return error;
    if (header.image_type == 3 || header.image_type == 11) return TargaError::greyscale_image;
    const bool true_colour = header.image_type == 2 || header.image_type == 10;
    if (true_colour && (header.pixel_depth == 15 || header.pixel_depth == 16)) return TargaError::sixteen_bit_colour;
    return error;
}

}  // namespace

TargaError check_targa_header(const uint8_t* data, size_t size, TargaHeader& header)
{
    TargaError error = TargaError::truncated_header;
    if (size >= TARGA_HEADER_SIZE) {
        header.id_length = data[0];
        header.colour_map_type = data[1];
        header.image_type = data[2];
        header.colour_map_first = u16(data + 3);
        header.colour_map_length = u16(data + 5);
        header.colour_map_entry_size = data[7];
        header.x_origin = u16(data + 8);
        header.y_origin = u16(data + 10);
        header.width = sign_extended(data + 12);
        header.height = sign_extended(data + 14);
        header.pixel_depth = data[16];
        header.image_descriptor = data[17];
        error = check_fields(header, size);
    }
    return error == TargaError::none ? error : explain_refusal(data, size, header, error);
}

void encode_targa_header(uint16_t width, uint16_t height, uint8_t bits_per_pixel, uint8_t out[TARGA_HEADER_SIZE],
                         uint8_t id_length)
{
    std::memset(out, 0, TARGA_HEADER_SIZE);
    out[0] = id_length;
    out[2] = 2;  // uncompressed true colour; no colour map (1), no map fields (3-7)
    out[12] = static_cast<uint8_t>(width), out[13] = static_cast<uint8_t>(width >> 8);  // origin (8-11) stays 0
    out[14] = static_cast<uint8_t>(height), out[15] = static_cast<uint8_t>(height >> 8);
    out[16] = bits_per_pixel;
    out[17] = static_cast<uint8_t>(TARGA_TOP_FIRST | (bits_per_pixel == 32 ? 8 : 0));
}

const char* other_format_name(TargaError error)
{
    switch (error) {
    case TargaError::jpeg_file: return "JPEG";
    case TargaError::gif_file: return "GIF";
    case TargaError::bmp_file: return "BMP";
    case TargaError::webp_file: return "WebP";
    default: return nullptr;
    }
}

const char* targa_error_text(TargaError error)
{
    switch (error) {
    case TargaError::none: return "no error";
    case TargaError::cannot_open: return "cannot open the file";
    case TargaError::truncated_header: return "header is cut short";
    case TargaError::bad_pixel_depth: return "unsupported pixel depth";
    case TargaError::bad_alpha_bits: return "unsupported number of alpha bits";
    case TargaError::bad_image_type: return "unsupported image type";
    case TargaError::bad_dimensions: return "width or height too large";
    case TargaError::id_field_short: return "image id field is cut short";
    case TargaError::colour_map_unsupported: return "unsupported colour map";
    case TargaError::colour_map_short: return "colour map is cut short";
    case TargaError::too_large_for_destination: return "image too large for the buffer";
    case TargaError::out_of_memory: return "out of memory";
    case TargaError::read_failed: return "read failed";
    case TargaError::pixel_data_short: return "pixel data is cut short";
    case TargaError::rle_packet_crosses_row: return "run-length packet crosses a row end";
    case TargaError::changed_while_reading: return "the file changed while it was read";
    case TargaError::greyscale_image: return "it is a greyscale image: save it as 24 or 32-bit colour instead";
    case TargaError::sixteen_bit_colour: return "it has 16-bit colour: save it as 24 or 32-bit colour instead";
    case TargaError::png_file: return "this is a PNG file, not a Targa file: import it with qfbprep";
    case TargaError::jpeg_file: return "this is a JPEG file, not a Targa file: save it as PNG and import it with qfbprep";
    case TargaError::gif_file: return "this is a GIF file, not a Targa file: save it as PNG and import it with qfbprep";
    case TargaError::bmp_file: return "this is a BMP file, not a Targa file: save it as PNG and import it with qfbprep";
    case TargaError::webp_file: return "this is a WebP file, not a Targa file: save it as PNG and import it with qfbprep";
    }
    return "unknown error";
}
