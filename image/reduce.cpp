// The 2 x 2 linear-light reduction (see levels.h), in integers: sRGB values decode to linear
// light as 16-bit fractions of full intensity, and a table of every such fraction gives back the
// nearest sRGB value (the midpoints between neighbouring values are where it flips).
#include "levels.h"

#include <cmath>
#include <vector>

namespace {

// Linear light in 1/65535ths of full intensity: the darkest step of sRGB (1 / 255 / 12.92, about
// 20 of these) is still many steps wide.
constexpr uint32_t LINEAR_ONE = 65535;

double srgb_to_linear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }

// The most a 2 x 2 block's alphas add up to.
constexpr uint32_t MAX_ALPHA_SUM = 4 * 255;
// A division by a block's alpha sum d done as a multiplication: n / d rounded down is
// (n x ceil(2^40 / d)) >> 40 whenever n x (ceil(2^40 / d) x d - 2^40) < 2^40, which holds for every
// weighted sum n (at most 65535 d + d / 2, d at most 1020) since that excess is below d; the
// product stays below 2^57.
constexpr int RECIPROCAL_SHIFT = 40;

struct SrgbTables {
    uint16_t decode[256];
    std::vector<uint8_t> encode = std::vector<uint8_t>(LINEAR_ONE + 1);
    uint64_t reciprocal[MAX_ALPHA_SUM + 1];  // ceil(2^40 / d): dividing by d without a division

    SrgbTables()
    {
        reciprocal[0] = 0;  // never used: a block without alpha counts as four pixels of weight 1
        for (uint64_t d = 1; d <= MAX_ALPHA_SUM; ++d) reciprocal[d] = ((uint64_t{1} << RECIPROCAL_SHIFT) + d - 1) / d;
        for (int c = 0; c < 256; ++c) decode[c] = static_cast<uint16_t>(std::lround(srgb_to_linear(c / 255.0) * LINEAR_ONE));
        double midpoint[256];  // in linear light, between c and c + 1; past the end for 255
        for (int c = 0; c < 256; ++c) midpoint[c] = c < 255 ? srgb_to_linear((c + 0.5) / 255.0) * LINEAR_ONE : 2.0 * LINEAR_ONE;
        int c = 0;
        for (uint32_t linear = 0; linear <= LINEAR_ONE; ++linear) {
            while (linear > midpoint[c]) ++c;
            encode[linear] = static_cast<uint8_t>(c);
        }
    }
};

const SrgbTables& tables()
{
    static const SrgbTables instance;
    return instance;
}

}  // namespace

Image halve_image(const Image& image)
{
    const SrgbTables& srgb = tables();
    const uint16_t* decode = srgb.decode;
    const uint8_t* encode = srgb.encode.data();
    Image half;
    half.width = image.width / 2;
    half.height = image.height / 2;
    half.bits_per_pixel = image.bits_per_pixel;
    const int bpp = image.bytes_per_pixel();
    const bool has_alpha = bpp == 4;
    half.pixels.assign(static_cast<size_t>(half.width) * half.height * bpp, 0);
    for (int32_t y = 0; y < half.height; ++y) {
        const uint8_t* top = image.row(2 * y);
        const uint8_t* bottom = image.row(2 * y + 1);
        uint8_t* out = half.row(y);
        for (int32_t x = 0; x < half.width; ++x, top += 2 * bpp, bottom += 2 * bpp, out += bpp) {
            const uint8_t* block[4] = {top, top + bpp, bottom, bottom + bpp};
            // Colour weighted by alpha; a block without any alpha (every block of a 24-bit image)
            // keeps its colour, its pixels weighing alike. Equal alphas give the plain average.
            uint32_t alpha[4] = {};
            if (has_alpha) alpha[0] = block[0][3], alpha[1] = block[1][3], alpha[2] = block[2][3], alpha[3] = block[3][3];
            const uint32_t alpha_sum = alpha[0] + alpha[1] + alpha[2] + alpha[3];
            if (has_alpha) out[3] = static_cast<uint8_t>((alpha_sum + 2) / 4);
            const uint32_t none = alpha_sum == 0 ? 1 : 0;
            const uint32_t total = alpha_sum + 4 * none;
            const uint64_t by_total = srgb.reciprocal[total];
            for (int c = 0; c < 3; ++c) {
                uint32_t sum = 0;  // at most 4 x 65535 x 255: no overflow
                for (int i = 0; i < 4; ++i) sum += uint32_t{decode[block[i][c]]} * (alpha[i] + none);
                out[c] = encode[((sum + total / 2) * by_total) >> RECIPROCAL_SHIFT];
            }
        }
    }
    return half;
}
