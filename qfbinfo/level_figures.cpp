// The figures of one level against its source (see level_figures.h).
#include "level_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// The blur: a Gaussian of sigma 1 cut at radius 3, normalised to 1.
constexpr int RADIUS = 3;
constexpr int TAPS = 2 * RADIUS + 1;

struct Kernel {
    double weight[TAPS];
    Kernel()
    {
        double sum = 0;
        for (int k = 0; k < TAPS; ++k) sum += weight[k] = std::exp(-0.5 * (k - RADIUS) * (k - RADIUS));
        for (double& w : weight) w /= sum;
    }
};

// The planes blurred for each row: the error of blue, green and red where colour counts (0
// elsewhere), the mask of the pixels whose colour counts, and the error of alpha.
constexpr int PLANES = 5;
constexpr int MASK = 3;
constexpr int ALPHA_ERROR = 4;

int32_t clamp(int32_t v, int32_t high) { return v < 0 ? 0 : v > high ? high : v; }

uint16_t word_at(const uint8_t* words, int32_t x)
{
    return static_cast<uint16_t>(words[2 * x] | words[2 * x + 1] << 8);
}

// Whether the colour of a source pixel counts: not when a 32-bit pixel is fully transparent.
bool colour_counts(const uint8_t* pixel, int bytes_per_pixel) { return bytes_per_pixel < 4 || pixel[ALPHA] != 0; }

}  // namespace

void ErrorSums::add(const ErrorSums& other)
{
    for (int c = 0; c < CHANNELS; ++c) {
        squared[c] += other.squared[c];
        samples[c] += other.samples[c];
    }
    blurred_squared += other.blurred_squared;
    blurred_samples += other.blurred_samples;
    largest = std::max(largest, other.largest);
    steady += other.steady;
    flickered += other.flickered;
}

double psnr(double squared, uint64_t samples)
{
    if (samples == 0 || squared <= 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(samples) / squared);
}

void shown_pixel(uint16_t word, const qfb_field* fields, uint8_t out[CHANNELS])
{
    for (int c = 0; c < CHANNELS; ++c) {
        const qfb_field field = fields[c];
        if (field.bits == 0) {
            out[c] = 255;
            continue;
        }
        const uint32_t max = (1u << field.bits) - 1;
        const uint32_t v = (word >> field.shift) & max;
        if (c == ALPHA && field.bits == 1) {
            out[c] = v != 0 ? 0 : 255;
            continue;
        }
        // max is odd, so v x 255 / max never lies halfway between two whole numbers.
        out[c] = static_cast<uint8_t>((2 * v * 255 + max) / (2 * max));
    }
}

bool compare_level(const LevelPair& pair, ErrorSums& sums)
{
    static const Kernel kernel;
    const Image& source = *pair.source;
    const int32_t width = source.width, height = source.height;
    if (width <= 0 || height <= 0) return true;
    const size_t w = static_cast<size_t>(width);
    const int bpp = source.bytes_per_pixel();
    const bool alpha = pair.alpha && bpp == 4;
    std::vector<uint8_t> words(2 * w), previous(pair.previous != nullptr ? 2 * w : 0);
    std::vector<double> errors(PLANES * w);
    // The rows blurred across, row r at r % TAPS: the vertical pass needs the 7 around a row.
    std::vector<double> across(TAPS * PLANES * w);

    // Row y: its unblurred figures and flicker, and its planes blurred across into `across`.
    const auto take_row = [&](int32_t y) {
        if (!pair.words(y, words.data())) return false;
        if (pair.previous != nullptr && !pair.previous_words(y, previous.data())) return false;
        const uint8_t* pixel = source.row(y);
        const uint8_t* before = pair.previous != nullptr ? pair.previous->row(y) : nullptr;
        for (int32_t x = 0; x < width; ++x, pixel += bpp) {
            const uint16_t word = word_at(words.data(), x);
            uint8_t shown[CHANNELS];
            shown_pixel(word, pair.fields, shown);
            const bool colour = colour_counts(pixel, bpp);
            for (int c = 0; c < CHANNELS; ++c) {
                const bool counts = c == ALPHA ? alpha : colour;
                const int32_t error = counts ? pixel[c] - shown[c] : 0;
                if (counts) {
                    sums.squared[c] += static_cast<double>(error * error);
                    ++sums.samples[c];
                    sums.largest = std::max(sums.largest, std::abs(error));
                }
                errors[static_cast<size_t>(c == ALPHA ? ALPHA_ERROR : c) * w + static_cast<size_t>(x)] = error;
            }
            errors[MASK * w + static_cast<size_t>(x)] = colour ? 1 : 0;
            if (before != nullptr && std::memcmp(before + static_cast<size_t>(x) * bpp, pixel, static_cast<size_t>(bpp)) == 0) {
                ++sums.steady;
                if (word_at(previous.data(), x) != word) ++sums.flickered;
            }
        }
        double* out = across.data() + static_cast<size_t>(y % TAPS) * PLANES * w;
        for (size_t plane = 0; plane < PLANES; ++plane) {
            const double* in = errors.data() + plane * w;
            for (int32_t x = 0; x < width; ++x) {
                double sum = 0;
                for (int k = 0; k < TAPS; ++k) sum += kernel.weight[k] * in[clamp(x + k - RADIUS, width - 1)];
                out[plane * w + static_cast<size_t>(x)] = sum;
            }
        }
        return true;
    };

    int32_t taken = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (; taken < height && taken <= y + RADIUS; ++taken)
            if (!take_row(taken)) return false;
        const double* rows[TAPS];
        for (int k = 0; k < TAPS; ++k)
            rows[k] = across.data() + static_cast<size_t>(clamp(y + k - RADIUS, height - 1) % TAPS) * PLANES * w;
        const uint8_t* pixel = source.row(y);
        for (int32_t x = 0; x < width; ++x, pixel += bpp) {
            double blurred[PLANES] = {};
            for (int k = 0; k < TAPS; ++k)
                for (size_t plane = 0; plane < PLANES; ++plane) blurred[plane] += kernel.weight[k] * rows[k][plane * w + static_cast<size_t>(x)];
            if (colour_counts(pixel, bpp)) {
                // The colour error averaged over the counted pixels under the kernel (at least this one).
                for (int c = 0; c < ALPHA; ++c) {
                    const double error = blurred[c] / blurred[MASK];
                    sums.blurred_squared += error * error;
                }
                sums.blurred_samples += ALPHA;
            }
            if (alpha) {
                sums.blurred_squared += blurred[ALPHA_ERROR] * blurred[ALPHA_ERROR];
                ++sums.blurred_samples;
            }
        }
    }
    return true;
}
