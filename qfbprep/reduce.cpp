// The 2 x 2 linear-light reduction (see reduce.h). sRGB decoding is a table of the 256 values;
// encoding rounds exactly: a coarse table gives a first guess, and the linear values of the
// midpoints between neighbouring sRGB values settle it.
#include "qfbprep/reduce.h"

#include <cmath>

namespace {

// Bins of the encoding's first guess: each narrower than the smallest gap between two sRGB
// values in linear light (1 / 255 / 12.92), so the guess is at most a step or two off.
constexpr int ENCODE_BINS = 4096;

double srgb_to_linear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }

struct SrgbTables {
    float decode[256];
    float midpoint[256];  // linear value halfway (in sRGB) between c and c + 1; midpoint[255] above 1
    uint8_t guess[ENCODE_BINS + 1];

    SrgbTables()
    {
        for (int c = 0; c < 256; ++c) {
            decode[c] = static_cast<float>(srgb_to_linear(c / 255.0));
            midpoint[c] = c < 255 ? static_cast<float>(srgb_to_linear((c + 0.5) / 255.0)) : 2.0f;
        }
        int c = 0;
        for (int bin = 0; bin <= ENCODE_BINS; ++bin) {
            const float linear = static_cast<float>(bin) / ENCODE_BINS;
            while (c < 255 && linear > midpoint[c]) ++c;
            guess[bin] = static_cast<uint8_t>(c);
        }
    }

    uint8_t encode(float linear) const
    {
        if (!(linear > 0.0f)) return 0;
        if (linear >= 1.0f) return 255;
        int c = guess[static_cast<int>(linear * ENCODE_BINS)];
        while (c < 255 && linear > midpoint[c]) ++c;
        while (c > 0 && linear <= midpoint[c - 1]) --c;
        return static_cast<uint8_t>(c);
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
            // Equal alphas (always so at 24 bits) weigh the four pixels alike.
            bool equal = true;
            if (has_alpha) {
                const unsigned alpha_sum = unsigned{block[0][3]} + block[1][3] + block[2][3] + block[3][3];
                out[3] = static_cast<uint8_t>((alpha_sum + 2) / 4);
                equal = block[0][3] == block[1][3] && block[0][3] == block[2][3] && block[0][3] == block[3][3];
            }
            if (equal) {
                for (int c = 0; c < 3; ++c)
                    out[c] = srgb.encode((srgb.decode[block[0][c]] + srgb.decode[block[1][c]] + srgb.decode[block[2][c]] +
                                          srgb.decode[block[3][c]]) * 0.25f);
                continue;
            }
            float weight[4];
            for (int i = 0; i < 4; ++i) weight[i] = static_cast<float>(block[i][3]);
            const float scale = 1.0f / (weight[0] + weight[1] + weight[2] + weight[3]);
            for (int c = 0; c < 3; ++c) {
                float sum = 0.0f;
                for (int i = 0; i < 4; ++i) sum += srgb.decode[block[i][c]] * weight[i];
                out[c] = srgb.encode(sum * scale);
            }
        }
    }
    return half;
}
