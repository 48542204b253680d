// Serpentine Floyd-Steinberg dithering per channel (see dither.h), the portable loop, and the
// choice between it and the vector loop. Values and errors are kept in 1/256ths of an 8-bit
// step; the four shares of an error add up to it exactly.
#include "dither.h"

#include <qfb/qfb.h>

#include <cstddef>
#include <vector>

#include "dither_loops.h"

namespace {

// Error shares are rounded down with a shift, which must be arithmetic for negative errors.
static_assert((-17 >> 4) == -2, "right shifts of negative numbers are arithmetic");

// All of the image's dithered channels in one pass: the first COUNT channels of each pixel of
// BPP bytes, each to its own width and with its own errors.
template <int COUNT, int BPP>
void dither_channels(Image& image, const int* bits)
{
    const int32_t width = image.width;
    if (width == 0) return;
    // Errors waiting for this row and the next, COUNT per pixel, with a guard pixel at each end.
    // Each pixel of the row below gets its three shares while this row passes it, so it is
    // written once, when the last arrives; until then they wait in registers.
    std::vector<int32_t> here((static_cast<size_t>(width) + 2) * COUNT, 0), below(here.size(), 0);
    for (int32_t y = 0; y < image.height; ++y) {
        const int step = y % 2 == 0 ? 1 : -1;  // serpentine: odd rows run right to left
        // The first pixel of the row's walk, and its place in the error rows.
        const size_t first = step > 0 ? 0 : static_cast<size_t>(width) - 1;
        uint8_t* pixel = image.row(y) + first * BPP;
        const int32_t* now = here.data() + (first + 1) * COUNT;
        int32_t* next = below.data() + (first + 1) * COUNT;
        const ptrdiff_t pixel_step = step * BPP, ahead = step * COUNT;
        int32_t carry[COUNT] = {};         // for the next pixel of this row
        int32_t behind_below[COUNT] = {};  // for the pixel below the previous one
        int32_t ahead_below[COUNT] = {};   // for the pixel below this one
        for (int32_t i = 0; i < width; ++i, pixel += pixel_step, now += ahead, next += ahead) {
            // The pixel is read whole before anything is written, so that no store of a byte
            // can make the compiler read again what it already holds.
            int32_t in[COUNT];
            for (int c = 0; c < COUNT; ++c) in[c] = pixel[c];
            uint8_t out[COUNT];
            for (int c = 0; c < COUNT; ++c) {
                int32_t error = 0;
                out[c] = static_cast<uint8_t>(choose_field(in[c] * DITHER_ONE + now[c] + carry[c], bits[c], error) >> 8);
                // Shares rounded down (an arithmetic shift); the last share takes what is left.
                const int32_t right = (error * 7) >> 4, back = (error * 3) >> 4, under = (error * 5) >> 4;
                carry[c] = right;
                next[c - ahead] = behind_below[c] + back;  // complete: the previous pixel's below
                behind_below[c] = ahead_below[c] + under;
                ahead_below[c] = error - right - back - under;
            }
            for (int c = 0; c < COUNT; ++c) pixel[c] = out[c];
        }
        // The last pixel's below; its share past the row's end falls into the guard, unread.
        for (int c = 0; c < COUNT; ++c) next[c - ahead] = behind_below[c];
        here.swap(below);
    }
}

}  // namespace

void field_bits(int32_t format, bool with_alpha, int bits[4])
{
    const qfb_field* fields = qfb_format_fields(format);
    for (int c = 0; c < 4; ++c) bits[c] = fields[c].bits;
    if (!with_alpha || bits[3] < 4) bits[3] = 8;
}

void dither_image(Image& image, int32_t format)
{
    if (dither_vector_available()) {
        dither_vector(image, nullptr, format);
    } else {
        dither_portable(image, format);
    }
}

void dither_images(Image& a, Image& b, int32_t format)
{
    if (dither_vector_available() && a.same_shape(b)) {
        dither_vector(a, &b, format);
    } else {
        dither_image(a, format);
        dither_image(b, format);
    }
}

void dither_portable(Image& image, int32_t format)
{
    int bits[4];
    field_bits(format, image.bytes_per_pixel() == 4, bits);
    if (bits[3] < 8) {
        dither_channels<4, 4>(image, bits);
    } else if (image.bytes_per_pixel() == 4) {
        dither_channels<3, 4>(image, bits);
    } else {
        dither_channels<3, 3>(image, bits);
    }
}
