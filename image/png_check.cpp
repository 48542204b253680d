// The checks both PNG readers make before decoding (see png_check.h).
#include "png_check.h"

#include "targa.h"

const char* not_a_png(const uint8_t* data, size_t size)
{
    TargaHeader header;
    const TargaError as_targa = check_targa_header(data, size, header);
    switch (as_targa) {
    case TargaError::none: return "this is a Targa file, not a PNG file: name it as a frame of the set instead of importing it";
    case TargaError::jpeg_file:
    case TargaError::gif_file:
    case TargaError::bmp_file:
    case TargaError::webp_file: return targa_error_text(as_targa);
    default: return nullptr;
    }
}
