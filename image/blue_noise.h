// The threshold matrices of ordered dithering: a 64 x 64 blue-noise matrix made by the
// void-and-cluster method, whose ranks are kept as a table (the generator is here too, and a test
// holds the two together), and the 8 x 8 Bayer matrix. Each holds every rank 0 .. side^2 - 1 once.
#pragma once

#include <cstdint>
#include <vector>

constexpr int BLUE_NOISE_SIDE = 64;

// The blue-noise ranks, row by row.
extern const uint16_t BLUE_NOISE[BLUE_NOISE_SIDE * BLUE_NOISE_SIDE];

// Void and cluster on a 64 x 64 torus, in integers only, so that every machine makes the same
// ranks: a pattern of 409 points (a tenth) placed by a fixed pseudo-random sequence is relaxed by
// moving the point in the tightest cluster to the largest void until that moves it back; then its
// points are ranked from the tightest cluster down, and the rest from the largest void up. A
// cluster or void is measured by the sum of a Gaussian (sigma 1.5, in 2^30ths, wrapped around
// the torus) over the points; ties go to the first place in row order.
std::vector<uint16_t> make_blue_noise();

constexpr int BAYER_SIDE = 8;
// The 8 x 8 Bayer ranks, row by row.
extern const uint16_t BAYER[BAYER_SIDE * BAYER_SIDE];
