// The Targa header check shared by the probe and the loader, and the probe read_targa_info.
#include "targa/targa_header.h"

#include <cstring>

namespace {

// 16-bit header fields are signed when they hold a size: 0x8000 and up become negative.
int32_t sign_extend(uint16_t value) { return static_cast<int32_t>(static_cast<int16_t>(value)); }

bool accepted_depth(uint8_t depth) { return depth == 8 || depth == 16 || depth == 24 || depth == 32; }

bool accepted_type(uint8_t type) { return type == 1 || type == 2 || type == 9 || type == 10; }

TargaError read_fields(BinaryFile& file, TargaHeader& header)
{
    header.id_length = file.read_u8();
    header.colour_map_type = file.read_u8();
    header.image_type = file.read_u8();
    header.colour_map_first = file.read_u16();
    header.colour_map_length = file.read_u16();
    header.colour_map_entry_size = file.read_u8();
    header.x_origin = file.read_u16();
    header.y_origin = file.read_u16();
    header.width = sign_extend(file.read_u16());
    header.height = sign_extend(file.read_u16());
    header.pixel_depth = file.read_u8();
    header.image_descriptor = file.read_u8();
    if (file.has_error()) return TargaError::read_failed;
    // Reads past the end give 0 without an error: the position tells whether all 18 bytes came.
    const long position = file.tell();
    if (position < 0) return TargaError::read_failed;
    if (position != TARGA_HEADER_SIZE) return TargaError::truncated_header;
    return TargaError::none;
}

TargaError check_fields(BinaryFile& file, const TargaHeader& header)
{
    if (!accepted_depth(header.pixel_depth)) return TargaError::bad_pixel_depth;
    const int alpha_bits = header.image_descriptor & 0x0F;
    if (alpha_bits != 0 && alpha_bits != 8) return TargaError::bad_alpha_bits;
    if (!accepted_type(header.image_type)) return TargaError::bad_image_type;
    // Sizes of 32768 and more are negative after sign extension: outside what the tool handles.
    if (header.width < 0 || header.height < 0) return TargaError::bad_dimensions;
    if (header.id_length > 0) {
        const int32_t after_id = TARGA_HEADER_SIZE + header.id_length;
        if (file.seek(after_id) < 0) return TargaError::id_field_seek_failed;
        // A file that ends inside its ID field is cut short, whatever follows.
        const long length = file.length();
        if (length < 0) return TargaError::read_failed;
        if (length < after_id) return TargaError::id_field_short;
    }
    return TargaError::none;
}

bool starts_with(const uint8_t* head, const char* signature, size_t length)
{
    return std::memcmp(head, signature, length) == 0;
}

// Another image format, known by its first bytes; none when the bytes name none. Every one of
// these signatures puts a value at the image type's place (byte 2) or the depth's (byte 16) that
// the check refuses, so a file the check accepts is never taken for one.
TargaError other_format(BinaryFile& file)
{
    uint8_t head[12] = {};  // the longest signature: "RIFF", a size, "WEBP"
    if (file.seek(0) < 0) return TargaError::none;
    file.read(head, sizeof head);  // a shorter file leaves zeros, which match no signature
    if (starts_with(head, "\x89PNG\r\n\x1a\n", 8)) return TargaError::png_file;
    if (starts_with(head, "\xff\xd8\xff", 3)) return TargaError::jpeg_file;
    if (starts_with(head, "GIF87a", 6) || starts_with(head, "GIF89a", 6)) return TargaError::gif_file;
    if (starts_with(head, "RIFF", 4) && starts_with(head + 8, "WEBP", 4)) return TargaError::webp_file;
    // "BM", the file size, then four reserved bytes that are always 0.
    if (starts_with(head, "BM", 2) && starts_with(head + 6, "\0\0\0\0", 4)) return TargaError::bmp_file;
    return TargaError::none;
}

// Names a refusal by what the file is when that tells the user what to do: another image
// format, a greyscale image, or 15 or 16-bit colour.
TargaError explain_refusal(BinaryFile& file, const TargaHeader& header, TargaError error)
{
    if (error == TargaError::cannot_open || error == TargaError::read_failed) return error;
    const TargaError format = other_format(file);
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

TargaError check_targa_header(BinaryFile& file, const char* name, TargaHeader& header)
{
    if (file.open(name, BinaryFile::READ) < 0) return TargaError::cannot_open;
    TargaError error = read_fields(file, header);
    if (error == TargaError::none) error = check_fields(file, header);
    if (error != TargaError::none) {
        error = explain_refusal(file, header, error);
        file.close();
    }
    return error;
}

int read_targa_info(const char* name, int32_t* width_out, int32_t* height_out, int32_t* bits_per_pixel_out,
                    TargaError* why)
{
    BinaryFile file;
    TargaHeader header;
    const TargaError error = check_targa_header(file, name, header);
    if (why != nullptr) *why = error;
    if (error != TargaError::none) return 1;
    *width_out = header.width;
    *height_out = header.height;
    *bits_per_pixel_out = header.pixel_depth;
    return 0;
}
