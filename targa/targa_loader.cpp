// read_targa and its row decoders: colour map, one read of the pixel data into one heap block,
// rows placed top first, raw rows copied and run-length packets expanded with bounds checks.
#include "targa/targa_loader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "targa/binary_file.h"
#include "targa/targa_header.h"

namespace {

// BinaryFile::read takes a signed 32-bit count: larger blocks are read in pieces of this size.
constexpr uint64_t READ_CHUNK = uint64_t{1} << 30;

// Writes count copies of a pixel of BYTES bytes, one fixed-size store each: a run packet holds
// at most 128 pixels, so a plain loop beats calls to memcpy.
template <size_t BYTES>
void replicate_fixed(uint8_t* dest, const uint8_t* pixel, size_t count)
{
    uint8_t value[BYTES];
    std::memcpy(value, pixel, BYTES);
    for (size_t i = 0; i < count; ++i) std::memcpy(dest + i * BYTES, value, BYTES);
}

// Writes count copies of one pixel.
void replicate_pixel(uint8_t* dest, const uint8_t* pixel, size_t count, size_t bytes_per_pixel)
{
    switch (bytes_per_pixel) {
    case 1: std::memset(dest, *pixel, count); return;
    case 2: replicate_fixed<2>(dest, pixel, count); return;
    case 3: replicate_fixed<3>(dest, pixel, count); return;
    default: replicate_fixed<4>(dest, pixel, count); return;
    }
}

// Reads the colour map into palette (red, green, blue), or skips it when palette is null.
TargaError read_colour_map(BinaryFile& file, const TargaHeader& header, uint8_t* palette)
{
    // Entries are stored in whole bytes: 15 or 16 bits take 2, 24 take 3, 32 take 4.
    const uint64_t entry_bytes = (header.colour_map_entry_size + 7u) / 8u;
    const uint64_t map_bytes = entry_bytes * header.colour_map_length;  // at most 65535 x 32
    // The palette holds 256 entries of 3 bytes: other maps cannot be turned into one.
    if (palette != nullptr && (header.colour_map_entry_size != 24 || header.colour_map_length > 256))
        return TargaError::colour_map_unsupported;
    const long start = file.tell();
    const long length = file.length();
    if (start < 0 || length < 0) return TargaError::read_failed;
    if (start > length || map_bytes > static_cast<uint64_t>(length - start)) return TargaError::colour_map_short;
    const long end = start + static_cast<long>(map_bytes);
    if (palette == nullptr) return file.seek(static_cast<int32_t>(end)) < 0 ? TargaError::read_failed : TargaError::none;

    uint8_t map[TARGA_PALETTE_BYTES];
    file.read(map, static_cast<int32_t>(map_bytes));
    if (file.has_error()) return TargaError::read_failed;
    if (file.tell() != end) return TargaError::colour_map_short;  // the file shrank meanwhile
    for (size_t i = 0; i < header.colour_map_length; ++i) {
        palette[3 * i] = map[3 * i + 2];
        palette[3 * i + 1] = map[3 * i + 1];
        palette[3 * i + 2] = map[3 * i];
    }
    std::memset(palette + map_bytes, 0, TARGA_PALETTE_BYTES - map_bytes);
    return TargaError::none;
}

// Reads count bytes into block and checks that all of them came.
TargaError read_block(BinaryFile& file, uint8_t* block, uint64_t count, long start)
{
    for (uint64_t done = 0; done < count;) {
        const uint64_t chunk = std::min(count - done, READ_CHUNK);
        file.read(block + done, static_cast<int32_t>(chunk));
        done += chunk;
    }
    if (file.has_error()) return TargaError::read_failed;
    // A short read means the file shrank after its length was taken.
    if (static_cast<uint64_t>(file.tell()) != static_cast<uint64_t>(start) + count) return TargaError::pixel_data_short;
    return TargaError::none;
}

TargaError load_pixels(BinaryFile& file, const TargaPixels& pixels, uint8_t* dest)
{
    const TargaHeader& header = pixels.header;
    const size_t bytes_per_pixel = header.pixel_depth / 8u;
    const size_t width = static_cast<size_t>(header.width);
    const size_t height = static_cast<size_t>(header.height);
    const size_t row_bytes = width * bytes_per_pixel;
    const bool rle = targa_is_rle(header);
    // It fits in a long: it came from BinaryFile's tell.
    const long start = static_cast<long>(pixels.start);

    const uint64_t available = pixels.file_length - pixels.start;
    // Raw rows need exactly height x row bytes (the shared checks made sure they are there);
    // run-length rows at most one header byte per pixel more. Bytes past that are never
    // needed, so they are not read.
    const uint64_t needed = rle ? uint64_t{height} * width * (1 + bytes_per_pixel) : uint64_t{height} * row_bytes;
    const bool top_first = (header.image_descriptor & TARGA_TOP_FIRST) != 0;
    const uint64_t count = std::min(available, needed);
    if (count > SIZE_MAX) return TargaError::out_of_memory;

    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[static_cast<size_t>(count)]);
    if (!block) return TargaError::out_of_memory;
    const TargaError read_error = read_block(file, block.get(), count, start);
    if (read_error != TargaError::none) return read_error;

    const uint8_t* cursor = block.get();
    size_t left = static_cast<size_t>(count);
    for (size_t r = 0; r < height; ++r) {
        uint8_t* row = dest + (top_first ? r : height - 1 - r) * row_bytes;
        if (!rle) {
            copy_pixels(width, row, cursor, static_cast<int>(bytes_per_pixel));
            continue;
        }
        size_t used = 0;
        const TargaError error = decode_rle_row(row, cursor, left, width, static_cast<int>(bytes_per_pixel), used);
        if (error != TargaError::none) return error;
        cursor += used;
        left -= used;
    }
    return TargaError::none;
}

TargaError load(const char* name, uint8_t* dest, size_t dest_size, uint8_t* palette)
{
    BinaryFile file;
    TargaPixels pixels;
    const TargaError error = locate_targa_pixels(file, name, dest_size, palette, pixels);
    if (error != TargaError::none) return error;
    if (pixels.image_bytes == 0) return TargaError::none;  // nothing to copy, whatever follows
    return load_pixels(file, pixels, dest);
}

}  // namespace

TargaError locate_targa_pixels(BinaryFile& file, const char* name, size_t dest_size, uint8_t* palette,
                               TargaPixels& out)
{
    out = TargaPixels{};
    TargaHeader& header = out.header;
    const TargaError header_error = check_targa_header(file, name, header);
    if (header_error != TargaError::none) return header_error;

    // Width and height are at most 32767 and a pixel at most 4 bytes: no overflow in 64 bits.
    out.image_bytes = uint64_t{static_cast<uint32_t>(header.width)} * static_cast<uint32_t>(header.height) *
                      (header.pixel_depth / 8u);
    if (out.image_bytes > dest_size) return TargaError::too_large_for_destination;
    if (header.colour_map_type != 0) {
        const TargaError map_error = read_colour_map(file, header, palette);
        if (map_error != TargaError::none) return map_error;
    }
    if (out.image_bytes == 0) return TargaError::none;  // no pixels to find, whatever follows

    const long start = file.tell();
    const long length = file.length();
    if (start < 0 || length < 0) return TargaError::read_failed;
    if (start > length) return TargaError::pixel_data_short;
    out.start = static_cast<uint64_t>(start);
    out.file_length = static_cast<uint64_t>(length);
    // Uncompressed rows are exactly height x row bytes, which image_bytes is; a run-length
    // image's size shows only while its packets are decoded.
    if (!targa_is_rle(header) && out.file_length - out.start < out.image_bytes) return TargaError::pixel_data_short;
    return TargaError::none;
}

int read_targa(const char* name, uint8_t* dest, size_t dest_size, uint8_t* palette, TargaError* why)
{
    const TargaError error = load(name, dest, dest_size, palette);
    if (why != nullptr) *why = error;
    return error == TargaError::none ? 0 : 1;
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
