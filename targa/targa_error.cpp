// Descriptions of the Targa reader's outcomes (see targa_error.h).
#include "targa_error.h"

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
