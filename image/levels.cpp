// The mipmap chain and the records of generated levels (see levels.h).
#include "levels.h"

#include "alpha_edges.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

// The record's words: a fixed prefix, then the source's digest as 16 hexadecimal digits.
constexpr char RECORD_PREFIX[] = "qfbprep mipmap 1, made from pixels of digest ";
constexpr size_t DIGEST_DIGITS = 16;

constexpr uint64_t FNV_OFFSET = 14695981039346656037ull;
constexpr uint64_t FNV_PRIME = 1099511628211ull;

uint64_t mix(uint64_t hash, uint64_t word) { return (hash ^ word) * FNV_PRIME; }

}  // namespace

int32_t levels_that_fit(int32_t width, int32_t height, int32_t most)
{
    int32_t levels = 0;
    while (levels < most && level_side(width, levels + 1) > 0 && level_side(height, levels + 1) > 0) ++levels;
    return levels;
}

int32_t chain_length(int32_t width, int32_t height, int32_t asked, int32_t painted)
{
    const int32_t fit = levels_that_fit(width, height, asked);
    return fit > painted ? fit : painted;
}

bool chain_ends_short(int32_t width, int32_t height, int32_t levels, int32_t asked, int32_t* last_width,
                      int32_t* last_height)
{
    if (levels <= 0 || levels >= asked || levels != levels_that_fit(width, height)) return false;
    *last_width = level_side(width, levels);
    *last_height = level_side(height, levels);
    return *last_width != 1 || *last_height != 1;
}

uint64_t image_digest(const Image& image)
{
    uint64_t hash = FNV_OFFSET;
    hash = mix(hash, static_cast<uint64_t>(static_cast<uint32_t>(image.width)));
    hash = mix(hash, static_cast<uint64_t>(static_cast<uint32_t>(image.height)));
    hash = mix(hash, static_cast<uint64_t>(image.bits_per_pixel));
    const uint8_t* bytes = image.pixels.data();
    const size_t size = image.pixels.size(), words = size / 8;
    for (size_t i = 0; i < words; ++i) {
        uint64_t word = 0;
        for (int b = 0; b < 8; ++b) word |= uint64_t{bytes[8 * i + b]} << (8 * b);  // little-endian everywhere
        hash = mix(hash, word);
    }
    for (size_t i = 8 * words; i < size; ++i) hash = mix(hash, bytes[i]);
    return hash;
}

std::string generated_level_id(const Image& source)
{
    char digits[DIGEST_DIGITS + 1];
    std::snprintf(digits, sizeof digits, "%016" PRIx64, image_digest(source));
    return std::string(RECORD_PREFIX) + digits;
}

LevelOrigin level_origin(const std::string& id, uint64_t* source_digest)
{
    const size_t prefix = sizeof RECORD_PREFIX - 1;
    if (id.size() != prefix + DIGEST_DIGITS || id.compare(0, prefix, RECORD_PREFIX) != 0) return LevelOrigin::painted;
    uint64_t digest = 0;
    for (size_t i = prefix; i < id.size(); ++i) {
        const char c = id[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return LevelOrigin::painted;
        digest = digest << 4 | static_cast<uint64_t>(digit);
    }
    *source_digest = digest;
    return LevelOrigin::generated;
}

void complete_levels(std::vector<Image>& levels, const std::vector<std::string>& ids, int32_t target,
                     const std::function<void(int32_t level, bool again)>& made, int32_t keep_coverage)
{
    const size_t found = levels.size();
    const uint64_t covered = keep_coverage > 0 ? pixels_covered(levels[0], keep_coverage) : 0;
    const uint64_t total = levels[0].pixels.size() / 4;
    levels.reserve(static_cast<size_t>(target) + 1);
    for (int32_t level = 1; level <= target; ++level) {
        const size_t at = static_cast<size_t>(level);
        const Image& above = levels[at - 1];
        if (at < found) {
            uint64_t digest = 0;
            const Image& it = levels[at];
            const bool in_place = it.width == above.width / 2 && it.height == above.height / 2 &&
                                  it.bits_per_pixel == above.bits_per_pixel;
            if (level_origin(ids[at], &digest) == LevelOrigin::painted || (in_place && digest == image_digest(above)))
                continue;
            levels[at] = halve_image(above);
        } else {
            levels.push_back(halve_image(above));
        }
        if (keep_coverage > 0) ::keep_coverage(levels[at], keep_coverage, covered, total);
        made(level, at < found);
    }
}
