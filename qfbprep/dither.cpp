// Serpentine Floyd-Steinberg dithering (see dither.h), one image or two of one size at once: a
// pixel's four channels and the same pixel of the second image are eight lanes that the compiler
// keeps in one vector register (on x86-64 with glibc the loop is built for AVX2 and for the
// baseline, and the loader picks one). The four shares of an error add up to it exactly.
#include "dither.h"

#include <qfb/qfb.h>

#include <cstddef>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && defined(__GLIBC__) && !defined(QFB_NO_TARGET_CLONES)
#define QFB_TARGET_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QFB_TARGET_CLONES
#endif

namespace {

constexpr int LANES = 8;  // blue, green, red, alpha of a pixel of each image
// Error shares are rounded down with a shift, which must be arithmetic for negative errors.
static_assert((-17 >> 4) == -2, "right shifts of negative numbers are arithmetic");

// Dithers a, and b too when it is not null (then of a's size and depth); each lane to its own
// width. Without b its half of the lanes reads zeros and writes into a scratch pixel never read.
template <int BPP>
inline __attribute__((always_inline)) void dither_rows(Image& a, Image* b, const int (&bits)[LANES])
{
    const int32_t width = a.width;
    if (width == 0) return;
    uint8_t scratch[4] = {};
    const uint8_t zeros[4] = {};
    // Errors waiting for this row and the next, eight lanes per pixel, a guard pixel at each end.
    // Each pixel of the row below gets its three shares while this row passes it, so it is
    // written once, when the last arrives; until then they wait in registers.
    std::vector<int32_t> here((static_cast<size_t>(width) + 2) * LANES, 0), below(here.size(), 0);
    for (int32_t y = 0; y < a.height; ++y) {
        const int step = y % 2 == 0 ? 1 : -1;  // serpentine: odd rows run right to left
        const size_t first = step > 0 ? 0 : static_cast<size_t>(width) - 1;
        uint8_t* pixel = a.row(y) + first * BPP;
        uint8_t* partner = b != nullptr ? b->row(y) + first * BPP : scratch;
        const uint8_t* partner_in = b != nullptr ? partner : zeros;
        const ptrdiff_t partner_step = b != nullptr ? step * BPP : 0;
        const int32_t* now = here.data() + (first + 1) * LANES;
        int32_t* next = below.data() + (first + 1) * LANES;
        int32_t carry[LANES] = {};         // for the next pixel of this row
        int32_t behind_below[LANES] = {};  // for the pixel below the previous one
        int32_t ahead_below[LANES] = {};   // for the pixel below this one
        for (int32_t i = 0; i < width; ++i, pixel += step * BPP, partner += partner_step, partner_in += partner_step,
                     now += step * LANES, next += step * LANES) {
            int32_t in[LANES] = {}, shown[LANES];
            for (int c = 0; c < BPP; ++c) in[c] = pixel[c], in[4 + c] = partner_in[c];
            for (int c = 0; c < LANES; ++c) {
                int32_t error = 0;
                shown[c] = choose_field(in[c] * DITHER_ONE + now[c] + carry[c], bits[c], error);
                // Shares rounded down (an arithmetic shift); the last share takes what is left.
                const int32_t right = (error * 7) >> 4, back = (error * 3) >> 4, under = (error * 5) >> 4;
                carry[c] = right;
                next[c - step * LANES] = behind_below[c] + back;  // complete: the previous pixel's below
                behind_below[c] = ahead_below[c] + under;
                ahead_below[c] = error - right - back - under;
            }
            for (int c = 0; c < BPP; ++c) pixel[c] = static_cast<uint8_t>(shown[c] >> 8), partner[c] = static_cast<uint8_t>(shown[4 + c] >> 8);
        }
        // The last pixel's below; its share past the row's end falls into the guard, unread.
        for (int c = 0; c < LANES; ++c) next[c - step * LANES] = behind_below[c];
        here.swap(below);
    }
}

// The loop for each pixel size, built for each processor (compilers clone no templates).
QFB_TARGET_CLONES void dither_rows_3(Image& a, Image* b, const int (&bits)[LANES]) { dither_rows<3>(a, b, bits); }
QFB_TARGET_CLONES void dither_rows_4(Image& a, Image* b, const int (&bits)[LANES]) { dither_rows<4>(a, b, bits); }

void dither(Image& a, Image* b, int32_t format)
{
    // Each byte's field width, 8 for a byte left as it is: alpha is, without alpha or in 1555
    // (whose flag marks alpha 0) and 565.
    const qfb_field* fields = qfb_format_fields(format);
    int bits[LANES];
    for (int c = 0; c < LANES; ++c) bits[c] = fields[c % 4].bits;
    if (a.bytes_per_pixel() != 4 || bits[3] < 4) bits[3] = bits[7] = 8;
    if (a.bytes_per_pixel() == 4) {
        dither_rows_4(a, b, bits);
    } else {
        dither_rows_3(a, b, bits);
    }
}

}  // namespace

void dither_image(Image& image, int32_t format) { dither(image, nullptr, format); }

void dither_images(Image& a, Image& b, int32_t format)
{
    if (a.same_shape(b)) {
        dither(a, &b, format);
    } else {
        dither(a, nullptr, format);
        dither(b, nullptr, format);
    }
}
