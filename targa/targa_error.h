// TargaError: the named outcomes of the Targa header probe and image loader, and their
// short lower-case descriptions for messages.
#pragma once

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
