// Moving changed pixels beside kept ones a field up or down where the blurred error falls (see
// dither_refine.h). With e the error image (shown less wanted) and g the blur, the blurred
// error's energy is sum((g * e)^2); moving one pixel p by d changes it by 2 d (a * e)(p) + d^2 a(0),
// where a = g * g is the blur's autocorrelation. So each candidate holds c = (a * e)(p), a move
// is taken when it lowers the energy, and a taken move adds d a(. - p) to the candidates near p.
#include "dither_refine.h"

#include "dither.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace {

// The autocorrelation of a Gaussian of sigma 1 (itself a Gaussian of sigma sqrt 2), cut at
// radius 4, where it has fallen below 2 % of its peak; in 1/4096ths of its peak.
constexpr int REACH = 4;
constexpr int SIDE = 2 * REACH + 1;

struct Autocorrelation {
    int32_t weight[SIDE][SIDE];

    Autocorrelation()
    {
        for (int dy = -REACH; dy <= REACH; ++dy)
            for (int dx = -REACH; dx <= REACH; ++dx)
                weight[dy + REACH][dx + REACH] = static_cast<int32_t>(std::lround(4096 * std::exp(-(dx * dx + dy * dy) / 4.0)));
    }
};


// Passes over the candidates; later ones rarely move anything.
constexpr int PASSES = 2;

}  // namespace

void refine_beside_kept(Image& image, const Image& source, const std::vector<uint8_t>& keep, const int (&bits)[4],
                        int32_t first_row, int32_t rows, const ChangedBox& box)
{
    static const Autocorrelation autocorrelation;
    const auto& a = autocorrelation.weight;
    const int32_t width = image.width, top_row = first_row, end_row = first_row + rows;
    const int bpp = image.bytes_per_pixel();
    auto visible = [&](size_t i) { return bpp != 4 || source.pixels[i * 4 + 3] != 0; };
    auto at = [&](int32_t x, int32_t y) { return static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x); };

    // The candidates: visible changed pixels with a visible kept one among their eight neighbours,
    // all inside the box around the changed pixels, where the figures below are held.
    const int32_t x0 = box.x0, y0 = box.y0, x1 = box.x1, y1 = box.y1;
    if (x1 < x0) return;
    const size_t box_width = static_cast<size_t>(x1 - x0 + 1);
    auto in_box = [&](int32_t x, int32_t y) { return static_cast<size_t>(y - y0) * box_width + static_cast<size_t>(x - x0); };
    std::vector<uint8_t> candidate(box_width * static_cast<size_t>(y1 - y0 + 1), 0);
    std::vector<size_t> order;
    for (int32_t y = y0; y <= y1; ++y)
        for (int32_t x = x0; x <= x1; ++x) {
            const size_t p = at(x, y);
            if (keep[p] || !visible(p)) continue;
            // Most changed pixels have no kept neighbour at all: those are passed over first.
            const int32_t left = x > 0 ? x - 1 : x, right = x + 1 < width ? x + 1 : x;
            int any = keep[at(left, y)] | keep[at(right, y)];
            if (y > top_row) any |= keep[at(left, y - 1)] | keep[at(x, y - 1)] | keep[at(right, y - 1)];
            if (y + 1 < end_row) any |= keep[at(left, y + 1)] | keep[at(x, y + 1)] | keep[at(right, y + 1)];
            if (any == 0) continue;
            bool beside = false;
            for (int32_t dy = -1; dy <= 1 && !beside; ++dy)
                for (int32_t dx = -1; dx <= 1 && !beside; ++dx) {
                    const int32_t nx = x + dx, ny = y + dy;
                    beside = nx >= 0 && ny >= top_row && nx < width && ny < end_row && keep[at(nx, ny)] && visible(at(nx, ny));
                }
            if (beside) candidate[in_box(x, y)] = 1, order.push_back(p);
        }
    if (order.empty()) return;

    std::vector<int64_t> correlated(candidate.size());
    // Each channel's errors over the box and REACH around it, 0 outside the rows and the image.
    const size_t padded_width = box_width + 2 * REACH;
    std::vector<int32_t> errors(padded_width * static_cast<size_t>(y1 - y0 + 1 + 2 * REACH));
    for (int c = 0; c < bpp; ++c) {
        if (bits[c] >= 8) continue;
        std::fill(errors.begin(), errors.end(), 0);
        for (int32_t y = std::max(top_row, y0 - REACH); y <= std::min(end_row - 1, y1 + REACH); ++y)
            for (int32_t x = std::max(0, x0 - REACH); x <= std::min(width - 1, x1 + REACH); ++x) {
                const size_t i = at(x, y);
                // Alpha counts everywhere; colour only where the pixel is visible.
                if (c == 3 || visible(i))
                    errors[static_cast<size_t>(y - y0 + REACH) * padded_width + static_cast<size_t>(x - x0 + REACH)] =
                        image.pixels[i * bpp + c] - source.pixels[i * bpp + c];
            }
        for (size_t p : order) {
            const int32_t x = static_cast<int32_t>(p % width), y = static_cast<int32_t>(p / width);
            // Below 2^31: 81 weights of at most 4096 times errors of at most 255.
            int32_t sum = 0;
            const int32_t* corner = errors.data() + static_cast<size_t>(y - y0) * padded_width + static_cast<size_t>(x - x0);
            for (int32_t dy = 0; dy < SIDE; ++dy)
                for (int32_t dx = 0; dx < SIDE; ++dx) sum += a[dy][dx] * corner[static_cast<size_t>(dy) * padded_width + static_cast<size_t>(dx)];
            correlated[in_box(x, y)] = sum;
        }
        const int shift = 8 - bits[c];
        const int32_t top = (1 << bits[c]) - 1;
        // Alpha keeps its zero or non-zero: a pixel is not made transparent nor visible.
        const int32_t lowest = c == 3 ? 1 : 0;
        // The widest gap between two neighbouring fields' shown values.
        const int32_t step = (255 + top - 1) / top;
        for (int pass = 0; pass < PASSES; ++pass) {
            bool moved = false;
            for (size_t p : order) {
                uint8_t& value = image.pixels[p * bpp + c];
                const int32_t q = value >> shift;
                int32_t best_move = 0;
                int64_t best_change = 0;
                // Only to the fields either side of the wanted value: no pixel strays further.
                const int32_t wanted = source.pixels[p * bpp + c];
                for (const int32_t to : {q - 1, q + 1}) {
                    if (to < lowest || to > top) continue;
                    if (std::abs(field_shown(to, bits[c]) - wanted) > step) continue;
                    const int64_t d = field_shown(to, bits[c]) - value;
                    const int64_t change = 2 * d * correlated[in_box(static_cast<int32_t>(p % width), static_cast<int32_t>(p / width))] +
                                           d * d * a[REACH][REACH];
                    if (change < best_change) best_change = change, best_move = static_cast<int32_t>(d);
                }
                if (best_move == 0) continue;
                value = static_cast<uint8_t>(value + best_move);
                moved = true;
                const int32_t x = static_cast<int32_t>(p % width), y = static_cast<int32_t>(p / width);
                for (int32_t dy = -REACH; dy <= REACH; ++dy)
                    for (int32_t dx = -REACH; dx <= REACH; ++dx) {
                        const int32_t nx = x + dx, ny = y + dy;
                        if (nx < x0 || ny < y0 || nx > x1 || ny > y1) continue;
                        const size_t k = in_box(nx, ny);
                        if (candidate[k]) correlated[k] += int64_t{best_move} * a[dy + REACH][dx + REACH];
                    }
            }
            if (!moved) break;
        }
    }
}
