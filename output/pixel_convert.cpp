// makeqfb's converters and create_bitmap's dispatch (see output.h), on qfb_encode_pixels.
#include "output.h"

#include <cstdio>
#include <cstdlib>

namespace {

const PixelConverter CONVERTERS[] = {
    {"Creating 1555 from 24bpp.\n", 3, FORMAT_1555}, {"Creating 565 from 24bpp.\n", 3, FORMAT_565},
    {"Creating 1555 from 32bpp.\n", 4, FORMAT_1555}, {"Creating 4444 from 32bpp.\n", 4, FORMAT_4444},
    {"Creating 565 from 32bpp.\n", 4, FORMAT_565},
};

// width x height in 64 bits, so no product overflows; a zero or negative side gives nothing.
size_t pixel_count(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0) return 0;
    return static_cast<size_t>(width) * static_cast<size_t>(height);
}

// Prints the converter's notice, then converts width x height pixels.
void run_converter(const PixelConverter& converter, const uint8_t* source, uint16_t* dest, int32_t width,
                   int32_t height)
{
    std::fputs(converter.notice, stdout);
    converter.convert(source, dest, pixel_count(width, height));
}

}  // namespace

void PixelConverter::convert(const uint8_t* source, uint16_t* dest, size_t count) const
{
    // Cannot fail: the pixel size, the format and the destination's alignment are the converter's own.
    (void)qfb_encode_pixels(source, count, source_bytes, format, dest);
}

const PixelConverter* select_converter(int32_t bits_per_pixel, PixelFormat format)
{
    const int bytes = bits_per_pixel == 24 ? 3 : 4;  // every other depth is a 4-byte source
    for (const PixelConverter& converter : CONVERTERS)
        if (converter.source_bytes == bytes && converter.format == format) return &converter;
    return nullptr;
}

const PixelConverter& converter_for(int32_t bits_per_pixel, PixelFormat format)
{
    const PixelConverter* converter = select_converter(bits_per_pixel, format);
    if (converter == nullptr) {
        std::printf("INTERNAL ERROR: Unhandled %dbpp format in create_bitmap.\n", bits_per_pixel == 24 ? 24 : 32);
        std::exit(1);
    }
    return *converter;
}

void create_bitmap(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height,
                   int32_t bits_per_pixel, PixelFormat format)
{
    run_converter(converter_for(bits_per_pixel, format), source, dest, width, height);
}

void create_1555_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    run_converter(CONVERTERS[0], source, dest, width, height);
}

void create_565_from_24(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    run_converter(CONVERTERS[1], source, dest, width, height);
}

void create_1555_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    run_converter(CONVERTERS[2], source, dest, width, height);
}

void create_4444_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    run_converter(CONVERTERS[3], source, dest, width, height);
}

void create_565_from_32(const uint8_t* source, uint16_t* dest, int32_t width, int32_t height)
{
    run_converter(CONVERTERS[4], source, dest, width, height);
}
