// Colour bleeding, coverage and the alpha threshold (see alpha_edges.h).
#include "alpha_edges.h"

#include <vector>

void bleed_colour(Image& image)
{
    if (image.bits_per_pixel != 32) return;
    const int32_t width = image.width, height = image.height;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<uint8_t> filled(count, 0);
    std::vector<size_t> ring;
    bool any = false;
    for (size_t i = 0; i < count; ++i) {
        filled[i] = image.pixels[i * 4 + 3] != 0 ? 1 : 0;
        any = any || filled[i] != 0;
    }
    if (!any) return;
    auto neighbours = [&](size_t i, auto&& visit) {
        const int32_t x = static_cast<int32_t>(i % static_cast<size_t>(width)), y = static_cast<int32_t>(i / static_cast<size_t>(width));
        for (int32_t dy = -1; dy <= 1; ++dy)
            for (int32_t dx = -1; dx <= 1; ++dx)
                if ((dx != 0 || dy != 0) && x + dx >= 0 && x + dx < width && y + dy >= 0 && y + dy < height)
                    visit(static_cast<size_t>(y + dy) * static_cast<size_t>(width) + static_cast<size_t>(x + dx));
    };
    // The first ring: transparent pixels beside a visible one, in row order.
    std::vector<uint8_t> queued(count, 0);
    for (size_t i = 0; i < count; ++i) {
        if (filled[i] != 0) continue;
        bool beside = false;
        neighbours(i, [&](size_t n) { beside = beside || filled[n] != 0; });
        if (beside) ring.push_back(i), queued[i] = 1;
    }
    while (!ring.empty()) {
        for (size_t i : ring) {
            uint32_t sum[3] = {}, n = 0;
            neighbours(i, [&](size_t j) {
                if (filled[j] != 1) return;  // filled before this ring
                for (int c = 0; c < 3; ++c) sum[c] += image.pixels[j * 4 + static_cast<size_t>(c)];
                ++n;
            });
            for (int c = 0; c < 3; ++c) image.pixels[i * 4 + static_cast<size_t>(c)] = static_cast<uint8_t>((sum[c] + n / 2) / n);
        }
        std::vector<size_t> next;
        for (size_t i : ring) {
            filled[i] = 1;
            neighbours(i, [&](size_t j) {
                if (filled[j] == 0 && queued[j] == 0) next.push_back(j), queued[j] = 1;
            });
        }
        ring.swap(next);
    }
}

uint64_t pixels_covered(const Image& image, int32_t threshold)
{
    if (image.bits_per_pixel != 32) return 0;
    uint64_t covered = 0;
    for (size_t i = 3; i < image.pixels.size(); i += 4) covered += image.pixels[i] >= threshold ? 1 : 0;
    return covered;
}

void keep_coverage(Image& level, int32_t threshold, uint64_t covered, uint64_t total)
{
    if (level.bits_per_pixel != 32 || total == 0 || threshold < 1) return;
    const uint64_t pixels = level.pixels.size() / 4;
    uint64_t histogram[256] = {};
    for (size_t i = 3; i < level.pixels.size(); i += 4) ++histogram[level.pixels[i]];
    // Twice the wanted count, in whole numbers: covered x pixels / total, doubled to round.
    const uint64_t wanted2 = (2 * covered * pixels + total / 2) / total;
    int32_t cut = threshold;
    uint64_t best = UINT64_MAX, at_or_above = 0;
    for (int32_t a = 255; a >= 1; --a) {
        at_or_above += histogram[a];
        const uint64_t have2 = 2 * at_or_above;
        const uint64_t off = have2 > wanted2 ? have2 - wanted2 : wanted2 - have2;
        if (off <= best) best = off, cut = a;
    }
    if (cut == threshold) return;
    for (size_t i = 3; i < level.pixels.size(); i += 4) {
        const uint32_t scaled = uint32_t{level.pixels[i]} * static_cast<uint32_t>(threshold) / static_cast<uint32_t>(cut);
        level.pixels[i] = static_cast<uint8_t>(scaled > 255 ? 255 : scaled);
    }
}

void threshold_alpha(Image& image, int32_t threshold)
{
    if (image.bits_per_pixel != 32) return;
    for (size_t i = 3; i < image.pixels.size(); i += 4) image.pixels[i] = image.pixels[i] < threshold ? 0 : 255;
}
