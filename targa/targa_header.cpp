// The Targa header check shared by the probe and the loader, and the probe read_targa_info.
#include "targa/targa_header.h"

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

}  // namespace

TargaError check_targa_header(BinaryFile& file, const char* name, TargaHeader& header)
{
    if (file.open(name, BinaryFile::READ) < 0) return TargaError::cannot_open;
    TargaError error = read_fields(file, header);
    if (error == TargaError::none) error = check_fields(file, header);
    if (error != TargaError::none) file.close();
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
