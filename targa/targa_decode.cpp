// The Targa decoder over bytes in memory (see targa.h).
#include "targa.h"

#include <cstring>

namespace {

// Writes count copies of a pixel of BYTES bytes, one fixed-size store each: a run packet holds
// at most 128 pixels, so a plain loop beats calls to memcpy.
template <size_t BYTES>
void replicate_fixed(uint8_t* dest, const uint8_t* pixel, size_t count)
{
    uint8_t value[BYTES];
    std::memcpy(value, pixel, BYTES);
    for (size_t i = 0; i < count; ++i) std::memcpy(dest + i * BYTES, value, BYTES);
}

void replicate_pixel(uint8_t* dest, const uint8_t* pixel, size_t count, size_t bytes_per_pixel)
{
    switch (bytes_per_pixel) {
    case 1: std::memset(dest, *pixel, count); return;
    case 2: replicate_fixed<2>(dest, pixel, count); return;
    case 3: replicate_fixed<3>(dest, pixel, count); return;
    default: replicate_fixed<4>(dest, pixel, count); return;
    }
}

size_t row_bytes(const TargaHeader& header) { return static_cast<size_t>(header.width) * (header.pixel_depth / 8u); }

}  // namespace

TargaError locate_targa_pixels(const uint8_t* data, size_t size, const TargaHeader& header, size_t dest_size,
                               uint8_t* palette, TargaImage& out)
{
    out = TargaImage{};
    out.header = header;
    // Width and height are at most 32767 and a pixel at most 4 bytes: no overflow in 64 bits.
    out.image_bytes = uint64_t{static_cast<uint32_t>(header.width)} * static_cast<uint32_t>(header.height) *
                      (header.pixel_depth / 8u);
    if (out.image_bytes > dest_size) return TargaError::too_large_for_destination;
    // The header check has made sure that the ID field lies within the bytes.
    size_t start = TARGA_HEADER_SIZE + size_t{header.id_length};
    if (header.colour_map_type != 0) {
        // Entries are stored in whole bytes: 15 or 16 bits take 2, 24 take 3, 32 take 4.
        const size_t map_bytes = (header.colour_map_entry_size + 7u) / 8u * size_t{header.colour_map_length};
        // The palette holds 256 entries of 3 bytes: other maps cannot be turned into one.
        if (palette != nullptr && (header.colour_map_entry_size != 24 || header.colour_map_length > 256))
            return TargaError::colour_map_unsupported;
        if (map_bytes > size - start) return TargaError::colour_map_short;
        if (palette != nullptr) {
            const uint8_t* map = data + start;
            for (size_t i = 0; i < header.colour_map_length; ++i) {
                palette[3 * i] = map[3 * i + 2];
                palette[3 * i + 1] = map[3 * i + 1];
                palette[3 * i + 2] = map[3 * i];
            }
            std::memset(palette + map_bytes, 0, TARGA_PALETTE_BYTES - map_bytes);
        }
        start += map_bytes;
    }
    if (out.image_bytes == 0) return TargaError::none;  // no pixels to find, whatever follows
    out.pixels = data + start;
    out.available = size - start;
    // Uncompressed rows are exactly height x row bytes, which image_bytes is.
    if (!targa_is_rle(header) && out.available < out.image_bytes) return TargaError::pixel_data_short;
    return TargaError::none;
}

const uint8_t* targa_raw_row(const TargaImage& image, int32_t top_row)
{
    const TargaHeader& h = image.header;
    const size_t stored = static_cast<size_t>((h.image_descriptor & TARGA_TOP_FIRST) != 0 ? top_row : h.height - 1 - top_row);
    return image.pixels + stored * row_bytes(h);
}

TargaError decode_targa(const TargaImage& image, uint8_t* dest)
{
    if (image.image_bytes == 0) return TargaError::none;
    const TargaHeader& header = image.header;
    const int bytes_per_pixel = header.pixel_depth / 8;
    const size_t width = static_cast<size_t>(header.width), height = static_cast<size_t>(header.height);
    const size_t stride = row_bytes(header);
    const bool top_first = (header.image_descriptor & TARGA_TOP_FIRST) != 0;
    const uint8_t* cursor = image.pixels;
    size_t left = image.available;
    for (size_t r = 0; r < height; ++r) {
        uint8_t* row = dest + (top_first ? r : height - 1 - r) * stride;
        if (!targa_is_rle(header)) {
            copy_pixels(width, row, cursor, bytes_per_pixel);
            continue;
        }
        size_t used = 0;
        const TargaError error = decode_rle_row(row, cursor, left, width, bytes_per_pixel, used);
        if (error != TargaError::none) return error;
        cursor += used;
        left -= used;
    }
    return TargaError::none;
}

TargaError decode_rle_row(uint8_t* dest_row, const uint8_t* source, size_t source_size, size_t pixel_count,
                          int bytes_per_pixel, size_t& consumed)
{
    const size_t pixel_bytes = static_cast<size_t>(bytes_per_pixel);
    size_t used = 0;
    size_t written = 0;
    while (written < pixel_count) {
        if (used == source_size) return TargaError::pixel_data_short;
        const uint8_t packet = source[used++];
        const size_t n = (packet & 0x7Fu) + 1u;  // a packet holds 1 to 128 pixels
        if (n > pixel_count - written) return TargaError::rle_packet_crosses_row;
        uint8_t* out = dest_row + written * pixel_bytes;
        if ((packet & 0x80u) != 0) {
            if (pixel_bytes > source_size - used) return TargaError::pixel_data_short;
            replicate_pixel(out, source + used, n, pixel_bytes);
            used += pixel_bytes;
        } else {
            if (n * pixel_bytes > source_size - used) return TargaError::pixel_data_short;
            const uint8_t* in = source + used;
            copy_pixels(n, out, in, bytes_per_pixel);
            used += n * pixel_bytes;
        }
        written += n;
    }
    consumed = used;
    return TargaError::none;
}

void copy_pixels(size_t count, uint8_t*& dest, const uint8_t*& source, int bytes_per_pixel)
{
    const size_t bytes = count * static_cast<size_t>(bytes_per_pixel);
    if (bytes != 0) std::memcpy(dest, source, bytes);
    dest += bytes;
    source += bytes;
}
