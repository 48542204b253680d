// Loading and encoding one image (see image.h).
#include "qfbprep/image.h"

#include <cstdio>
#include <cstring>

#include "driver/conversion_run.h"
#include "driver/frame_loop.h"
#include "output/output_buffer.h"
#include "targa/targa_header.h"
#include "targa/targa_loader.h"
#include "targa/targa_mapping.h"
#include "targa/targa_writer.h"

void print_wrong_depth(const char* name, int32_t bits_per_pixel)
{
    std::printf("Couldn't read Targa file %s: it has %d bits per pixel: save it as 24 or 32-bit colour instead.\n", name,
                bits_per_pixel);
}

// Copies one mapped row into its place in the image.
static void copy_row(const uint8_t* row, int32_t top_row, void* context)
{
    Image& image = *static_cast<Image*>(context);
    std::memcpy(image.row(top_row), row, static_cast<size_t>(image.width) * image.bytes_per_pixel());
}

bool load_image(const char* name, Image& image)
{
    TargaError why = TargaError::none;
    int32_t width = 0, height = 0, depth = 0;
    if (read_targa_info(name, &width, &height, &depth, &why) != 0) {
        print_unreadable(name, targa_error_text(why));
        return false;
    }
    if (depth != 24 && depth != 32) {
        print_wrong_depth(name, depth);
        return false;
    }
    // The header is checked before anything is allocated: makeqfb packs no larger image.
    const uint64_t bytes = uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height) * (depth / 8u);
    if (bytes > PIXEL_BUFFER_SIZE) {
        print_image_too_large(name, bytes);
        return false;
    }
    image.width = width;
    image.height = height;
    image.bits_per_pixel = depth;
    image.pixels.assign(static_cast<size_t>(bytes), 0);
    // Uncompressed files are copied straight from a mapping, as makeqfb converts them; the rest
    // go through the loader. A file replaced since the probe is refused either way.
    MappedTarga mapped;
    bool use_loader = true;
    why = map_targa(name, image.pixels.size(), mapped, use_loader);
    if (why == TargaError::none && !use_loader) {
        if (mapped.width() != width || mapped.height() != height || mapped.bits_per_pixel() != depth) {
            why = TargaError::changed_while_reading;
        } else {
            why = mapped.for_each_row(copy_row, &image);
        }
    } else if (why == TargaError::none) {
        read_targa(name, image.pixels.data(), image.pixels.size(), nullptr, &why);
    }
    if (why != TargaError::none) {
        print_unreadable(name, targa_error_text(why));
        return false;
    }
    return true;
}

void encode_targa_header(const Image& image, uint8_t header[TARGA_HEADER_SIZE])
{
    encode_targa_header(static_cast<uint16_t>(image.width), static_cast<uint16_t>(image.height),
                        static_cast<uint8_t>(image.bits_per_pixel), header);
}
