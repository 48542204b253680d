// The void-and-cluster generator and the Bayer matrix (see blue_noise.h).
#include "blue_noise.h"

#include <cstddef>

namespace {

constexpr int SIDE = BLUE_NOISE_SIDE;
constexpr int CELLS = SIDE * SIDE;
constexpr int64_t ONE = int64_t{1} << 30;
// exp(-1 / (2 sigma^2)) for sigma 1.5, in 2^30ths: the Gaussian at squared distance k is this
// to the power k.
constexpr int64_t STEP = 859785240;  // 0.800737403 x 2^30

struct Field {
    std::vector<int64_t> weight = std::vector<int64_t>(CELLS);  // by wrapped offset dy x SIDE + dx
    std::vector<int64_t> energy = std::vector<int64_t>(CELLS, 0);
    std::vector<char> point = std::vector<char>(CELLS, 0);

    Field()
    {
        std::vector<int64_t> gauss(2 * (SIDE / 2) * (SIDE / 2) + 1);
        gauss[0] = ONE;
        for (size_t k = 1; k < gauss.size(); ++k) gauss[k] = gauss[k - 1] * STEP >> 30;
        for (int dy = 0; dy < SIDE; ++dy) {
            for (int dx = 0; dx < SIDE; ++dx) {
                const int wx = dx < SIDE - dx ? dx : SIDE - dx, wy = dy < SIDE - dy ? dy : SIDE - dy;
                weight[dy * SIDE + dx] = gauss[static_cast<size_t>(wx * wx + wy * wy)];
            }
        }
    }
    void toggle(int cell, bool on)
    {
        point[cell] = on ? 1 : 0;
        const int x0 = cell % SIDE, y0 = cell / SIDE;
        const int64_t sign = on ? 1 : -1;
        for (int y = 0; y < SIDE; ++y)
            for (int x = 0; x < SIDE; ++x)
                energy[y * SIDE + x] += sign * weight[((y - y0 + SIDE) % SIDE) * SIDE + (x - x0 + SIDE) % SIDE];
    }
    // The point of highest energy (on true) or the empty cell of lowest (on false).
    int extreme(bool on) const
    {
        int best = -1;
        for (int c = 0; c < CELLS; ++c) {
            if ((point[c] != 0) != on) continue;
            if (best < 0 || (on ? energy[c] > energy[best] : energy[c] < energy[best])) best = c;
        }
        return best;
    }
};

}  // namespace

std::vector<uint16_t> make_blue_noise()
{
    Field field;
    // The first pattern: a tenth of the cells, from a linear congruential sequence.
    uint32_t state = 2026;
    for (int placed = 0; placed < CELLS / 10;) {
        state = state * 1664525u + 1013904223u;
        const int cell = static_cast<int>(state >> 20);  // 12 bits: 0 .. 4095
        if (field.point[cell] == 0) {
            field.toggle(cell, true);
            ++placed;
        }
    }
    // Relaxed: the tightest cluster's point to the largest void, until it would go back.
    for (int moves = 0; moves < CELLS; ++moves) {
        const int cluster = field.extreme(true);
        field.toggle(cluster, false);
        const int void_cell = field.extreme(false);
        field.toggle(void_cell, true);
        if (void_cell == cluster) break;
    }
    const Field prototype = field;
    int count = 0;
    for (char p : prototype.point) count += p;

    std::vector<uint16_t> rank(CELLS, 0);
    for (int r = count - 1; r >= 0; --r) {
        const int cluster = field.extreme(true);
        field.toggle(cluster, false);
        rank[static_cast<size_t>(cluster)] = static_cast<uint16_t>(r);
    }
    field = prototype;
    for (int r = count; r < CELLS; ++r) {
        const int void_cell = field.extreme(false);
        field.toggle(void_cell, true);
        rank[static_cast<size_t>(void_cell)] = static_cast<uint16_t>(r);
    }
    return rank;
}

const uint16_t BAYER[BAYER_SIDE * BAYER_SIDE] = {
    0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26, 12, 44, 4,  36, 14, 46,
    6,  38, 60, 28, 52, 20, 62, 30, 54, 22, 3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27,
    49, 17, 57, 25, 15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21,
};
