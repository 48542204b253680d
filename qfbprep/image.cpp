// Loading and encoding one image (see image.h).
#include "qfbprep/image.h"

#include <cstdio>
#include <cstring>

#include "driver/conversion_run.h"
#include "driver/frame_loop.h"
#include "output/output_buffer.h"
#include "targa/targa_header.h"
#include "targa/targa_loader.h"
#include "targa/targa_writer.h"

void print_wrong_depth(const char* name, int32_t bits_per_pixel)
{
    std::printf("Couldn't read Targa file %s: it has %d bits per pixel: save it as 24 or 32-bit colour instead.\n", name,
                bits_per_pixel);
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
    // A file replaced since the probe by a larger one is refused as too large for the buffer.
    if (read_targa(name, image.pixels.data(), image.pixels.size(), nullptr, &why) != 0) {
        print_unreadable(name, targa_error_text(why));
        return false;
    }
    return true;
}

std::vector<uint8_t> encode_targa(const Image& image)
{
    std::vector<uint8_t> file(TARGA_HEADER_SIZE + image.pixels.size());
    encode_targa_header(static_cast<uint16_t>(image.width), static_cast<uint16_t>(image.height),
                        static_cast<uint8_t>(image.bits_per_pixel), file.data());
    if (!image.pixels.empty()) std::memcpy(file.data() + TARGA_HEADER_SIZE, image.pixels.data(), image.pixels.size());
    return file;
}
