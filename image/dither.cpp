// The dithering methods (see dither.h). Error diffusion takes one image or two of one size at
// once: a pixel's four channels and the same pixel of the second image are eight lanes that the
// compiler keeps in one vector register (on x86-64 with glibc the loop is built for AVX2 and for
// the baseline, and the loader picks one). The shares of an error add up to it exactly. Ordered
// dithering compares each value's place between its two nearest fields with a matrix's rank.
#include "dither.h"

#include <qfb/qfb.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

#include "blue_noise.h"
#include "dither_refine.h"
#include "qfb_target_clones.h"

namespace {

constexpr int LANES = 8;  // blue, green, red, alpha of a pixel of each image
// Error shares are rounded down with a shift, which must be arithmetic for negative errors.
static_assert((-17 >> 4) == -2, "right shifts of negative numbers are arithmetic");

// The widths a channel may have, each with its row of the choice table.
constexpr int WIDTHS[4] = {4, 5, 6, 8};
int width_row(int bits) { return bits == 4 ? 0 : bits == 5 ? 1 : bits == 6 ? 2 : 3; }


// Dividing by 2 max without a division: the reciprocal and shift for each width (4, 5, 6 bits)
// give (510 q + max) / (2 max), the shown value of q, exactly for every field q, with products
// below 2^31.
struct Divider {
    int32_t max, reciprocal, shift;
};
constexpr Divider DIVIDERS[3] = {{15, 34953, 20}, {31, 16913, 20}, {63, 33289, 22}};

// The shown value (in 1/256ths) of the field nearest to taken (within 0 .. DITHER_MAX_VALUE), the
// lower on a tie. The field below taken's place in the linear scale, q = taken x max / 65280
// rounded down (as (taken x max / 256) / 255, both rounded down), and the one above it bracket
// the nearest shown value, as a shown value strays from the linear scale by at most half a step
// of 8 bits while fields stand four or more apart. No branch: the loop runs it on eight lanes.
inline int32_t nearest_shown(int32_t taken, int32_t max, int32_t reciprocal, int32_t shift)
{
    const int32_t y = (taken * max) >> 8;
    const int32_t q = (y + 1 + (y >> 8)) >> 8;  // y / 255, for y below 65535
    const int32_t up = q < max ? q + 1 : max;
    const int32_t low = (((510 * q + max) * reciprocal) >> shift) << 8;
    const int32_t high = (((510 * up + max) * reciprocal) >> shift) << 8;
    return 2 * taken > low + high ? high : low;
}

// For each width and 8-bit value x: the shown values nearest below (or at) x and above it, as
// low | high << 16 (high is low at the top); a value left as it is (8 bits) is both.
struct ChoiceTable {
    uint32_t entry[4 * 256];

    ChoiceTable()
    {
        for (int row = 0; row < 4; ++row) {
            const int bits = WIDTHS[row];
            for (int x = 0; x < 256; ++x) {
                int low = x, high = x;
                if (bits < 8) {
                    int q = 0;
                    while (q < (1 << bits) - 1 && field_shown(q + 1, bits) <= x) ++q;
                    low = field_shown(q, bits);
                    high = q < (1 << bits) - 1 ? field_shown(q + 1, bits) : low;
                }
                entry[row * 256 + x] = static_cast<uint32_t>(low) | static_cast<uint32_t>(high) << 16;
            }
        }
    }
};

const uint32_t* choices()
{
    static const ChoiceTable table;
    return table.entry;
}

// How the error of one pixel is shared out, in 16ths: ahead in the row, below behind, below; the
// pixel below ahead takes what is left.
struct Kernel {
    int32_t ahead, behind_below, below;
};
constexpr Kernel FLOYD_STEINBERG = {7, 3, 5};
constexpr Kernel SIERRA_LITE = {8, 4, 4};

// What one run of the diffusion loop needs: each lane's row of the choice table (its offset), the
// kernel, and the strength.
struct Plan {
    int32_t max[LANES], reciprocal[LANES], shift[LANES];  // each lane's divider (see DIVIDERS)
    int32_t passed[LANES];  // -1 for a lane with a field, 0 for a byte left as it is
    Kernel kernel;
    int32_t strength;
};

// Each byte's field width, 8 for a byte left as it is: alpha is, without alpha or in 1555 (whose
// flag marks alpha 0) and 565.
void channel_bits(int32_t format, int bytes_per_pixel, int (&bits)[4])
{
    const qfb_field* fields = qfb_format_fields(format);
    for (int c = 0; c < 4; ++c) bits[c] = fields[c].bits;
    if (bytes_per_pixel != 4 || bits[3] < 4) bits[3] = 8;
}

Plan plan_for(int32_t format, int bytes_per_pixel, const DitherOptions& options)
{
    int bits[4];
    channel_bits(format, bytes_per_pixel, bits);
    Plan plan{};
    for (int c = 0; c < LANES; ++c) {
        const int b = bits[c % 4];
        const Divider& divider = DIVIDERS[b < 8 ? width_row(b) : 0];
        plan.max[c] = divider.max, plan.reciprocal[c] = divider.reciprocal, plan.shift[c] = divider.shift;
        plan.passed[c] = b < 8 ? -1 : 0;
    }
    plan.kernel = format == QFB_FORMAT_4444 ? SIERRA_LITE : FLOYD_STEINBERG;
    plan.strength = options.strength;
    return plan;
}

// Rows of an image, in place: what the diffusion loop works on, a whole image, a band of one or
// columns of a band.
struct Rows {
    uint8_t* first;
    int32_t width, height, bytes_per_pixel;
    int32_t stride;  // pixels from the start of one row to the next's: the image's width

    uint8_t* row(int32_t y) const { return first + static_cast<size_t>(y) * static_cast<size_t>(stride) * bytes_per_pixel; }
};

// Rows first .. first + count - 1 of image.
Rows rows_of(Image& image, int32_t first, int32_t count)
{
    return Rows{image.row(first), image.width, count, image.bytes_per_pixel(), image.width};
}

// Pixels an image keeps from a frame before (stable): width x height flags, and the pixels they
// keep, laid out as the image's.
struct Kept {
    const uint8_t* mask;
    const uint8_t* pixels;
};

// Diffuses a, and b too when it is not null (then of a's size and depth); each lane to its own
// width. Without b its half of the lanes reads zeros and writes into a scratch pixel never read.
// A fully transparent pixel takes no error and passes none on. A kept pixel (flagged in keep_a or
// keep_b, when not null) shows its kept bytes, and passes on what it takes with its own: the
// value wanted less what it shows, which the changed pixels after it make up for.
// The kernel and a strength below full are template arguments, so that each share is taken with
// shifts and adds, not a multiplication, in the common case.
template <int BPP, int AHEAD, int BEHIND_BELOW, int BELOW, bool SCALED, bool KEEPS>
inline __attribute__((always_inline)) void diffuse_rows(const Rows& a, const Rows* b, const Kept* keep_a, const Kept* keep_b,
                                                        const Plan& plan)
{
    const int32_t width = a.width;
    if (width == 0) return;
    uint8_t scratch[4] = {};
    const uint8_t zeros[4] = {};
    const uint8_t none[1] = {0};
    // Errors waiting for this row and the next, eight lanes per pixel, a guard pixel at each end.
    // Each pixel of the row below gets its three shares while this row passes it, so it is
    // written once, when the last arrives; until then they wait in registers.
    const size_t row_size = (static_cast<size_t>(width) + 2) * LANES;
    std::vector<int32_t> rows(2 * row_size, 0);
    int32_t* here = rows.data();
    int32_t* below = here + row_size;
    for (int32_t y = 0; y < a.height; ++y) {
        // A row kept whole above a row kept whole (stable, where nothing moved) shows its kept
        // bytes, and what it passes on reaches no pixel that takes it: the row below starts afresh.
        auto kept_whole = [&](const Kept* keep, int32_t row) {
            return row >= a.height ||
                   (keep != nullptr && std::memchr(keep->mask + static_cast<size_t>(row) * a.stride, 0, static_cast<size_t>(width)) == nullptr);
        };
        if (KEEPS && kept_whole(keep_a, y) && kept_whole(keep_a, y + 1) &&
            (b == nullptr || (kept_whole(keep_b, y) && kept_whole(keep_b, y + 1)))) {
            const size_t bytes = static_cast<size_t>(width) * BPP, from = static_cast<size_t>(y) * a.stride * BPP;
            std::memcpy(a.row(y), keep_a->pixels + from, bytes);
            if (b != nullptr) std::memcpy(b->row(y), keep_b->pixels + from, bytes);
            std::fill(here, here + row_size, 0);
            continue;
        }
        const int step = y % 2 == 0 ? 1 : -1;  // serpentine: odd rows run right to left
        const size_t first = step > 0 ? 0 : static_cast<size_t>(width) - 1;
        uint8_t* pixel = a.row(y) + first * BPP;
        uint8_t* partner = b != nullptr ? b->row(y) + first * BPP : scratch;
        const uint8_t* partner_in = b != nullptr ? partner : zeros;
        const ptrdiff_t partner_step = b != nullptr ? step * BPP : 0;
        const size_t row_start = static_cast<size_t>(y) * static_cast<size_t>(a.stride);
        const uint8_t* kept_a = keep_a != nullptr ? keep_a->mask + row_start + first : none;
        const uint8_t* kept_b = keep_b != nullptr ? keep_b->mask + row_start + first : none;
        const uint8_t* keeps_a = keep_a != nullptr ? keep_a->pixels + (row_start + first) * BPP : zeros;
        const uint8_t* keeps_b = keep_b != nullptr ? keep_b->pixels + (row_start + first) * BPP : zeros;
        const ptrdiff_t keep_a_step = keep_a != nullptr ? step : 0, keep_b_step = keep_b != nullptr ? step : 0;
        const int32_t* now = here + (first + 1) * LANES;
        int32_t* next = below + (first + 1) * LANES;
        int32_t carry[LANES] = {};         // for the next pixel of this row
        int32_t behind_below[LANES] = {};  // for the pixel below the previous one
        int32_t ahead_below[LANES] = {};   // for the pixel below this one
        for (int32_t i = 0; i < width; ++i, pixel += step * BPP, partner += partner_step, partner_in += partner_step,
                     kept_a += keep_a_step, kept_b += keep_b_step, keeps_a += keep_a_step * BPP, keeps_b += keep_b_step * BPP,
                     now += step * LANES, next += step * LANES) {
            int32_t in[LANES] = {}, held[LANES] = {}, shown[LANES], takes[LANES], passes[LANES], keeps[LANES];
            for (int c = 0; c < BPP; ++c) in[c] = pixel[c], in[4 + c] = partner_in[c];
            if (KEEPS)
                for (int c = 0; c < BPP; ++c) held[c] = keeps_a[c], held[4 + c] = keeps_b[c];
            const bool clear_a = BPP == 4 && in[3] == 0, clear_b = BPP == 4 && in[7] == 0;
            const bool keep_here_a = KEEPS && *kept_a != 0, keep_here_b = KEEPS && *kept_b != 0;
            for (int c = 0; c < LANES; ++c) {
                const bool clear = c < 4 ? clear_a : clear_b, keep = c < 4 ? keep_here_a : keep_here_b;
                takes[c] = (clear ? 0 : -1) & plan.passed[c];
                passes[c] = (clear ? 0 : -1) & plan.passed[c];
                keeps[c] = (keep ? -1 : 0) & plan.passed[c];
            }
            for (int c = 0; c < LANES; ++c) {
                const int32_t value = in[c] * DITHER_ONE + ((now[c] + carry[c]) & takes[c]);
                const int32_t taken = value < 0 ? 0 : value > DITHER_MAX_VALUE ? DITHER_MAX_VALUE : value;
                // A byte left as it is shows as it is; a kept one shows what it keeps.
                const int32_t chosen = nearest_shown(taken, plan.max[c], plan.reciprocal[c], plan.shift[c]);
                shown[c] = plan.passed[c] == 0 ? in[c] * DITHER_ONE : KEEPS && keeps[c] != 0 ? held[c] * DITHER_ONE : chosen;
                const int32_t error = (SCALED ? ((taken - shown[c]) * plan.strength) >> 8 : taken - shown[c]) & passes[c];
                // Shares rounded down (an arithmetic shift); the last share takes what is left.
                const int32_t ahead = (error * AHEAD) >> 4, back = (error * BEHIND_BELOW) >> 4, under = (error * BELOW) >> 4;
                carry[c] = ahead;
                next[c - step * LANES] = behind_below[c] + back;  // complete: the previous pixel's below
                behind_below[c] = ahead_below[c] + under;
                ahead_below[c] = error - ahead - back - under;
            }
            for (int c = 0; c < BPP; ++c) pixel[c] = static_cast<uint8_t>(shown[c] >> 8), partner[c] = static_cast<uint8_t>(shown[4 + c] >> 8);
        }
        // The last pixel's below; its share past the row's end falls into the guard, unread.
        for (int c = 0; c < LANES; ++c) next[c - step * LANES] = behind_below[c];
        int32_t* const done = here;
        here = below;
        below = done;
    }
}

// The loop for each pixel size, kernel and strength, built for each processor (compilers clone no
// templates). 3-byte pixels have no 4444.
#define QFB_DIFFUSE_ROWS(name, ...)                                                                                 \
    QFB_TARGET_CLONES void name(const Rows& a, const Rows* b, const Kept* keep_a, const Kept* keep_b, const Plan& plan) \
    {                                                                                                                \
        diffuse_rows<__VA_ARGS__>(a, b, keep_a, keep_b, plan);                                                      \
    }
QFB_DIFFUSE_ROWS(diffuse_3_floyd, 3, 7, 3, 5, false, false)
QFB_DIFFUSE_ROWS(diffuse_3_floyd_scaled, 3, 7, 3, 5, true, false)
QFB_DIFFUSE_ROWS(diffuse_4_floyd, 4, 7, 3, 5, false, false)
QFB_DIFFUSE_ROWS(diffuse_4_floyd_scaled, 4, 7, 3, 5, true, false)
QFB_DIFFUSE_ROWS(diffuse_4_sierra, 4, 8, 4, 4, false, false)
QFB_DIFFUSE_ROWS(diffuse_4_sierra_scaled, 4, 8, 4, 4, true, false)
// stable's later frames, whose kept pixels need more of the loop.
QFB_DIFFUSE_ROWS(keep_3_floyd, 3, 7, 3, 5, true, true)
QFB_DIFFUSE_ROWS(keep_4_floyd, 4, 7, 3, 5, true, true)
QFB_DIFFUSE_ROWS(keep_4_sierra, 4, 8, 4, 4, true, true)
#undef QFB_DIFFUSE_ROWS

void diffuse(const Rows& a, const Rows* b, const Kept* keep_a, const Kept* keep_b, int32_t format,
             const DitherOptions& options)
{
    const Plan plan = plan_for(format, a.bytes_per_pixel, options);
    const bool scaled = options.strength != DITHER_FULL_STRENGTH;
    const bool sierra = plan.kernel.ahead == SIERRA_LITE.ahead;
    if (keep_a != nullptr) {
        (a.bytes_per_pixel == 3 ? keep_3_floyd : sierra ? keep_4_sierra : keep_4_floyd)(a, b, keep_a, keep_b, plan);
    } else if (a.bytes_per_pixel == 3) {
        (scaled ? diffuse_3_floyd_scaled : diffuse_3_floyd)(a, b, keep_a, keep_b, plan);
    } else if (sierra) {
        (scaled ? diffuse_4_sierra_scaled : diffuse_4_sierra)(a, b, keep_a, keep_b, plan);
    } else {
        (scaled ? diffuse_4_floyd_scaled : diffuse_4_floyd)(a, b, keep_a, keep_b, plan);
    }
}


// Each channel's offset into the matrix, so that the channels' thresholds are not alike.
constexpr int OFFSET_X[4] = {0, 37, 19, 53}, OFFSET_Y[4] = {0, 23, 47, 11};

// Ordered dithering with a side x side matrix of ranks. A value x between the shown values low
// and high goes up when its rank r is below its cut: when (x - low) / (high - low) exceeds the
// threshold 1/2 + ((2r + 1) / (2 side^2) - 1/2) x strength, in integers.
void order(Image& image, int32_t format, const DitherOptions& options, const uint16_t* matrix, int side)
{
    const int64_t ranks = int64_t{side} * side;
    int bits[4];
    channel_bits(format, image.bytes_per_pixel(), bits);
    const uint32_t* table = choices();
    // For each channel and value: low | high << 8 | cut << 16, where cut is the count of ranks
    // below which the value goes up, found by bisection (the test rises with the rank).
    uint32_t decide[4][256];
    for (int c = 0; c < 4; ++c) {
        const int row = width_row(bits[c]);
        for (int x = 0; x < 256; ++x) {
            const uint32_t choice = table[row * 256 + x];
            const int64_t low = choice & 0xFFFF, high = choice >> 16;
            auto goes_up = [&](int64_t r) {
                return (x - low) * 2 * ranks * DITHER_ONE >
                       (high - low) * (ranks * DITHER_ONE + (2 * r + 1 - ranks) * options.strength);
            };
            int64_t lo = 0, hi = high == low ? 0 : ranks;  // goes_up holds below lo and fails from hi on
            while (lo < hi) {
                const int64_t mid = (lo + hi) / 2;
                if (goes_up(mid)) {
                    lo = mid + 1;
                } else {
                    hi = mid;
                }
            }
            decide[c][x] = static_cast<uint32_t>(low) | static_cast<uint32_t>(high) << 8 | static_cast<uint32_t>(lo) << 16;
        }
    }
    // A rank only matters by how many of a channel's cuts lie at or below it: with k of them,
    // value x goes up when k is at most the place of its own cut among them. So each position of
    // the period holds its k (a byte: a channel has at most one cut per value of 8 bits), and each
    // channel a table of what every x shows for every k, one lookup a byte.
    const int bpp = image.bytes_per_pixel();
    const int mask = side - 1;
    std::vector<uint8_t> shows[4];
    std::vector<uint32_t> cuts[4];
    for (int c = 0; c < bpp; ++c) {
        for (int x = 0; x < 256; ++x) cuts[c].push_back(decide[c][x] >> 16);
        std::sort(cuts[c].begin(), cuts[c].end());
        cuts[c].erase(std::unique(cuts[c].begin(), cuts[c].end()), cuts[c].end());
        const size_t places = cuts[c].size() + 1;
        shows[c].resize(places * 256);
        for (int x = 0; x < 256; ++x) {
            const uint32_t d = decide[c][x];
            const size_t place = static_cast<size_t>(std::lower_bound(cuts[c].begin(), cuts[c].end(), d >> 16) - cuts[c].begin());
            for (size_t k = 0; k < places; ++k) shows[c][k * 256 + static_cast<size_t>(x)] = static_cast<uint8_t>(k <= place ? d >> 8 : d);
        }
    }
    // The period's k for each byte, laid out as the bytes of the rows they fall on, already
    // multiplied into the offset of their row of the table.
    const size_t period_row = static_cast<size_t>(side) * static_cast<size_t>(bpp);
    std::vector<uint16_t> period(period_row * static_cast<size_t>(side));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            for (int c = 0; c < bpp; ++c) {
                const uint32_t rank = matrix[((y + OFFSET_Y[c]) & mask) * side + ((x + OFFSET_X[c]) & mask)];
                const size_t k = static_cast<size_t>(std::upper_bound(cuts[c].begin(), cuts[c].end(), rank) - cuts[c].begin());
                period[static_cast<size_t>(y) * period_row + static_cast<size_t>(x * bpp + c)] = static_cast<uint16_t>(k * 256);
            }
    const size_t row_bytes = static_cast<size_t>(image.width) * static_cast<size_t>(bpp);
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* byte = image.row(y);
        const uint16_t* at = period.data() + static_cast<size_t>(y & mask) * period_row;
        for (size_t i = 0; i < row_bytes; i += period_row) {
            const size_t run = std::min(period_row, row_bytes - i);
            if (bpp == 4) {
                for (size_t j = 0; j < run; j += 4) {
                    byte[i + j] = shows[0][at[j] + byte[i + j]];
                    byte[i + j + 1] = shows[1][at[j + 1] + byte[i + j + 1]];
                    byte[i + j + 2] = shows[2][at[j + 2] + byte[i + j + 2]];
                    byte[i + j + 3] = shows[3][at[j + 3] + byte[i + j + 3]];
                }
            } else {
                for (size_t j = 0; j < run; j += 3) {
                    byte[i + j] = shows[0][at[j] + byte[i + j]];
                    byte[i + j + 1] = shows[1][at[j + 1] + byte[i + j + 1]];
                    byte[i + j + 2] = shows[2][at[j + 2] + byte[i + j + 2]];
                }
            }
        }
    }
}

// Fewest rows in a band of stable's frames cut in four or eight: fewer would show the errors
// starting afresh at each band's top on small sprites.
constexpr int32_t STABLE_BAND_ROWS = 64;
// Columns either side of a piece's changed pixels whose kept pixels carry their errors on to them;
// the errors of kept pixels further away are let go, as those of rows kept whole are.
constexpr int32_t STABLE_MARGIN = 16;

// Runs here, and there too (when given) on a thread of its own where one can be had, else after.
void run_beside(const std::function<void()>& here, const std::function<void()>& there)
{
    std::thread beside;
    if (there && std::thread::hardware_concurrency() > 1) {
        try {
            beside = std::thread(there);
        } catch (const std::system_error&) {
        }
    }
    here();
    if (beside.joinable()) {
        beside.join();
    } else if (there) {
        there();
    }
}

void dither(Image& a, Image* b, int32_t format, const DitherOptions& options)
{
    switch (options.method) {
    case DitherMethod::ordered:
    case DitherMethod::bayer: {
        const bool blue = options.method == DitherMethod::ordered;
        order(a, format, options, blue ? BLUE_NOISE : BAYER, blue ? BLUE_NOISE_SIDE : BAYER_SIDE);
        if (b != nullptr) order(*b, format, options, blue ? BLUE_NOISE : BAYER, blue ? BLUE_NOISE_SIDE : BAYER_SIDE);
        return;
    }
    case DitherMethod::diffusion:
    case DitherMethod::stable: {  // stable's own path is dither_after
        const Rows rows_a = rows_of(a, 0, a.height);
        const Rows rows_b = b != nullptr ? rows_of(*b, 0, b->height) : Rows{};
        diffuse(rows_a, b != nullptr ? &rows_b : nullptr, nullptr, nullptr, format, options);
        return;
    }
    }
}

}  // namespace

bool dither_method_named(const char* name, DitherMethod* method)
{
    static const struct {
        const char* name;
        DitherMethod method;
    } methods[] = {{"diffusion", DitherMethod::diffusion},
                   {"ordered", DitherMethod::ordered},
                   {"bayer", DitherMethod::bayer},
                   {"stable", DitherMethod::stable}};
    for (const auto& m : methods) {
        if (name != nullptr && std::strcmp(name, m.name) == 0) {
            *method = m.method;
            return true;
        }
    }
    return false;
}

const char* dither_method_names() { return "diffusion, ordered, bayer or stable"; }

bool parse_strength(const char* text, int32_t* strength)
{
    // Thousandths: "0", "1", "0.5", ".25", "1.000".
    int32_t whole = 0, thousandths = 0, digits = 0;
    const char* c = text;
    if (*c == '0' || *c == '1') whole = *c++ - '0';
    else if (*c != '.') return false;
    if (*c == '.') {
        ++c;
        for (; *c >= '0' && *c <= '9' && digits < 3; ++c, ++digits) thousandths = thousandths * 10 + (*c - '0');
        if (digits == 0) return false;
        for (int d = digits; d < 3; ++d) thousandths *= 10;
    }
    if (*c != '\0' || whole * 1000 + thousandths > 1000) return false;
    *strength = ((whole * 1000 + thousandths) * DITHER_FULL_STRENGTH + 500) / 1000;
    return true;
}

int32_t field_shown(int32_t q, int bits)
{
    const int32_t max = (1 << bits) - 1;
    return (q * 255 * 2 + max) / (2 * max);
}

int32_t choose_field(int32_t value, int bits, int32_t& error)
{
    const int32_t taken = value < 0 ? 0 : value > DITHER_MAX_VALUE ? DITHER_MAX_VALUE : value;
    const Divider& divider = DIVIDERS[width_row(bits)];
    const int32_t shown = nearest_shown(taken, divider.max, divider.reciprocal, divider.shift);
    error = taken - shown;
    return shown;
}

void dither_image(Image& image, int32_t format, const DitherOptions& options)
{
    if (options.method == DitherMethod::stable) {
        // A first frame keeps nothing, so no source of it or of a frame before is read.
        static const Image none;
        dither_after(image, none, std::vector<uint8_t>(), none, format, options);
        return;
    }
    dither(image, nullptr, format, options);
}

void dither_images(Image& a, Image& b, int32_t format, const DitherOptions& options)
{
    if (options.method == DitherMethod::stable) {
        dither_image(a, format, options);
        dither_image(b, format, options);
    } else if (a.same_shape(b)) {
        dither(a, &b, format, options);
    } else {
        dither(a, nullptr, format, options);
        dither(b, nullptr, format, options);
    }
}

std::vector<uint8_t> kept_pixels(const Image& image, const Image& previous_source, std::vector<uint8_t> keep)
{
    keep.clear();
    if (!image.same_shape(previous_source)) return keep;
    const size_t bpp = static_cast<size_t>(image.bytes_per_pixel());
    const size_t count = image.pixels.size() / bpp;
    keep.resize(count);
    const uint8_t* __restrict now = image.pixels.data();
    const uint8_t* __restrict before = previous_source.pixels.data();
    uint8_t* __restrict kept = keep.data();
    if (bpp == 4) {
        for (size_t i = 0; i < count; ++i) {
            uint32_t here, there;
            std::memcpy(&here, now + i * 4, 4);
            std::memcpy(&there, before + i * 4, 4);
            kept[i] = here == there;
        }
    } else {
        for (size_t i = 0; i < count; ++i) kept[i] = std::memcmp(now + i * 3, before + i * 3, 3) == 0;
    }
    return keep;
}

namespace {

// stable's cut of a frame. Bands of rows are diffused in place two at a time, as two images in
// the loop's lanes, each keeping its own errors: a frame has no partner of its own, as each
// waits for the one before. A tall image is cut into four bands, or eight from 512 rows; an
// image of an odd height, or a single row, is diffused whole, and so is a first frame too short
// for four bands. A piece is a pair of bands, or the whole image.
struct StableCut {
    int32_t bands;   // 0: whole
    int32_t pieces;
};

StableCut stable_cut(const Image& image, bool after_one)
{
    const int32_t bands = image.height % 8 == 0 && image.height >= 8 * STABLE_BAND_ROWS   ? 8
                          : image.height % 4 == 0 && image.height >= 4 * STABLE_BAND_ROWS ? 4
                                                                                          : 2;
    if (image.height < 2 || image.height % 2 != 0 || (!after_one && bands == 2)) return {0, 1};
    return {bands, bands / 2};
}

// The columns and rows of the changed pixels among rows first_row .. first_row + rows - 1
// (x1 < x0 when there are none).
ChangedBox changed_box(const std::vector<uint8_t>& keep, int32_t width, int32_t first_row, int32_t rows)
{
    ChangedBox box{width, first_row + rows, -1, -1};
    for (int32_t y = first_row; y < first_row + rows; ++y) {
        const uint8_t* mask = keep.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        const void* changed = std::memchr(mask, 0, static_cast<size_t>(width));
        if (changed == nullptr) continue;
        int32_t last = width - 1;
        while (mask[last] != 0) --last;
        box.x0 = std::min(box.x0, static_cast<int32_t>(static_cast<const uint8_t*>(changed) - mask));
        box.x1 = std::max(box.x1, last);
        box.y0 = std::min(box.y0, y);
        box.y1 = y;
    }
    return box;
}

// A first frame keeps nothing.
bool is_after_one(const Image& image, const std::vector<uint8_t>& keep, const Image& previous)
{
    return !image.pixels.empty() && keep.size() == image.pixels.size() / static_cast<size_t>(image.bytes_per_pixel()) &&
           image.same_shape(previous);
}

}  // namespace

int32_t stable_pieces(const Image& image, const std::vector<uint8_t>& keep, const Image& previous)
{
    return stable_cut(image, is_after_one(image, keep, previous)).pieces;
}

void dither_piece(Image& image, const Image& source, const std::vector<uint8_t>& keep, const Image& previous,
                  int32_t piece, int32_t format, const DitherOptions& options)
{
    const bool after_one = is_after_one(image, keep, previous);
    const StableCut cut = stable_cut(image, after_one);
    const size_t bpp = static_cast<size_t>(image.bytes_per_pixel());
    const int32_t rows = cut.bands == 0 ? image.height : image.height / cut.bands;
    const int32_t first_row = cut.bands == 0 ? 0 : 2 * piece * rows;
    const int32_t piece_rows = cut.bands == 0 ? image.height : 2 * rows;
    const size_t from = static_cast<size_t>(first_row) * static_cast<size_t>(image.width);
    const size_t band_pixels = static_cast<size_t>(rows) * static_cast<size_t>(image.width);
    const size_t to = from + static_cast<size_t>(piece_rows) * static_cast<size_t>(image.width);
    // A piece that keeps nothing takes the plain loop, which gives the same bytes sooner. One that
    // keeps something diffuses only the columns around its changed pixels; the rest keep their
    // bytes.
    const bool kept_any = after_one && std::memchr(keep.data() + from, 1, to - from) != nullptr;
    int32_t x0 = 0, x1 = image.width;
    ChangedBox box{};
    if (kept_any) {
        box = changed_box(keep, image.width, first_row, piece_rows);
        x0 = box.x1 < box.x0 ? 0 : std::max(0, box.x0 - STABLE_MARGIN);
        x1 = box.x1 < box.x0 ? 0 : std::min(image.width, box.x1 + 1 + STABLE_MARGIN);
        const size_t left = static_cast<size_t>(x0) * bpp, right = static_cast<size_t>(x1) * bpp;
        const size_t end = static_cast<size_t>(image.width) * bpp;
        for (int32_t y = first_row; y < first_row + piece_rows; ++y) {
            const size_t row = static_cast<size_t>(y) * end;
            std::memcpy(image.pixels.data() + row, previous.pixels.data() + row, left);
            std::memcpy(image.pixels.data() + row + right, previous.pixels.data() + row + right, end - right);
        }
        if (x1 == x0) return;
    }
    const size_t column = static_cast<size_t>(x0);
    auto columns = [&](Rows band) {
        band.first += column * bpp;
        band.width = x1 - x0;
        return band;
    };
    // The flags and kept pixels from pixel number at on, in the columns diffused (only when kept_any).
    auto kept_from = [&](size_t at) {
        return kept_any ? Kept{keep.data() + at + column, previous.pixels.data() + (at + column) * bpp} : Kept{};
    };
    if (cut.bands == 0) {
        const Kept kept = kept_from(0);
        diffuse(columns(rows_of(image, 0, image.height)), nullptr, kept_any ? &kept : nullptr, nullptr, format, options);
    } else {
        const Rows a = columns(rows_of(image, first_row, rows)), b = columns(rows_of(image, first_row + rows, rows));
        const Kept kept_a = kept_from(from), kept_b = kept_from(from + band_pixels);
        diffuse(a, &b, kept_any ? &kept_a : nullptr, kept_any ? &kept_b : nullptr, format, options);
    }
    if (!kept_any) return;
    int bits[4];
    channel_bits(format, image.bytes_per_pixel(), bits);
    refine_beside_kept(image, source, keep, bits, first_row, piece_rows, box);
}

void dither_after(Image& image, const Image& source, const std::vector<uint8_t>& keep, const Image& previous,
                  int32_t format, const DitherOptions& options)
{
    const int32_t pieces = stable_pieces(image, keep, previous);
    // The pieces do not depend on each other: each of two threads takes the next not yet taken.
    std::atomic<int32_t> next{0};
    const std::function<void()> take = [&] {
        for (int32_t p; (p = next.fetch_add(1)) < pieces;) dither_piece(image, source, keep, previous, p, format, options);
    };
    run_beside(take, pieces > 1 ? take : std::function<void()>());
}
