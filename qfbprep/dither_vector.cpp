// The vector dithering loop (see dither_loops.h), on x86-64 processors with AVX2 (chosen at run
// time, so the program still runs on any x86-64 processor); elsewhere dither_vector_available()
// is false. Two images of one size go through together, each pixel's four channels as four
// 32-bit lanes of one half of a register: the loop's speed is set by the chain of steps from one
// pixel's error to the next pixel's choice, which two independent images share at no extra cost.
// Each lane chooses its field as choose_field does.
#include "dither_loops.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <immintrin.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

#define QFB_AVX2 __attribute__((target("avx2")))

constexpr int32_t TOP = DITHER_MAX_VALUE;
constexpr int LANES = 8;  // two pixels of four channels


QFB_AVX2 __m256i load(const int32_t* lanes) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes)); }
QFB_AVX2 void store(int32_t* lanes, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), v); }

// Dithers a and b (the same size) together; with b null, a alone, its partner's half of each
// register reading zeros and writing into a scratch pixel that is never read (read, it would
// tie each pixel's input to the one before).
template <int BPP>
QFB_AVX2 void dither_rows(Image& a, Image* b, const int32_t bits[LANES])
{
    const int32_t width = a.width;
    if (width == 0) return;
    const __m256i field_bits = load(bits);
    const __m256i zero = _mm256_setzero_si256(), top = _mm256_set1_epi32(TOP), whole = _mm256_set1_epi32(~255);
    const __m256i low_b = _mm256_sub_epi32(_mm256_set1_epi32(16), field_bits);  // 16 - b
    const __m256i field_mask = _mm256_sllv_epi32(_mm256_set1_epi32(-1), low_b);  // q << (16 - b)
    const __m256i next_field =                                                   // M
        _mm256_add_epi32(_mm256_sllv_epi32(_mm256_set1_epi32(1), low_b),
                         _mm256_sllv_epi32(_mm256_set1_epi32(1), _mm256_sub_epi32(low_b, field_bits)));
    // The second byte of each lane: what a value in 1/256ths shows as an 8-bit value.
    const __m256i high_bytes = _mm256_setr_epi8(1, 5, 9, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,  //
                                                1, 5, 9, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const uint8_t zeros[4] = {};
    uint8_t scratch[4] = {};
    const std::ptrdiff_t partner_step = b != nullptr ? BPP : 0;

    // Errors waiting for this row and the next, eight lanes per pixel, a guard pixel at each end.
    std::vector<int32_t> here((static_cast<size_t>(width) + 2) * LANES, 0), below(here.size(), 0);
    for (int32_t y = 0; y < a.height; ++y) {
        const int step = y % 2 == 0 ? 1 : -1;  // serpentine: odd rows run right to left
        const size_t first = step > 0 ? 0 : static_cast<size_t>(width) - 1;
        uint8_t* pixel = a.row(y) + first * BPP;
        uint8_t* partner = b != nullptr ? b->row(y) + first * BPP : scratch;
        const uint8_t* partner_in = b != nullptr ? partner : zeros;
        const int32_t* now = here.data() + (first + 1) * LANES;
        int32_t* next = below.data() + (first + 1) * LANES;
        __m256i carry = zero, behind_below = zero, ahead_below = zero;  // as in the portable loop
        for (int32_t i = 0; i < width;
             ++i, pixel += step * BPP, partner += step * partner_step, partner_in += step * partner_step,
             now += step * LANES, next += step * LANES) {
            uint32_t bytes = 0, partner_bytes = 0;
            std::memcpy(&bytes, pixel, BPP);
            std::memcpy(&partner_bytes, partner_in, BPP);
            const __m128i both = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(bytes)),
                                                    _mm_cvtsi32_si128(static_cast<int>(partner_bytes)));
            const __m256i in = _mm256_slli_epi32(_mm256_cvtepu8_epi32(both), 8);
            const __m256i value = _mm256_add_epi32(_mm256_add_epi32(in, load(now)), carry);
            const __m256i taken = _mm256_min_epi32(_mm256_max_epi32(value, zero), top);
            // The nearest field or the one below it, as q << (16 - b), then what it and the next show.
            const __m256i q =
                _mm256_and_si256(_mm256_sub_epi32(taken, _mm256_srlv_epi32(taken, field_bits)), field_mask);
            const __m256i low_raw = _mm256_add_epi32(q, _mm256_srlv_epi32(q, field_bits));
            const __m256i low = _mm256_and_si256(low_raw, whole);
            const __m256i high = _mm256_and_si256(_mm256_add_epi32(low_raw, next_field), whole);
            const __m256i halfway = _mm256_srli_epi32(_mm256_add_epi32(low, high), 1);
            const __m256i shown = _mm256_blendv_epi8(low, high, _mm256_cmpgt_epi32(taken, halfway));
            const __m256i error = _mm256_sub_epi32(taken, shown);
            // Shares 7, 3, 5 and what is left, in sixteenths rounded down, as in the portable loop.
            const __m256i right = _mm256_srai_epi32(_mm256_sub_epi32(_mm256_slli_epi32(error, 3), error), 4);
            const __m256i back = _mm256_srai_epi32(_mm256_add_epi32(_mm256_slli_epi32(error, 1), error), 4);
            const __m256i under = _mm256_srai_epi32(_mm256_add_epi32(_mm256_slli_epi32(error, 2), error), 4);
            carry = right;
            store(next - step * LANES, _mm256_add_epi32(behind_below, back));
            behind_below = _mm256_add_epi32(ahead_below, under);
            ahead_below = _mm256_sub_epi32(_mm256_sub_epi32(_mm256_sub_epi32(error, right), back), under);
            const __m256i out = _mm256_shuffle_epi8(shown, high_bytes);
            bytes = static_cast<uint32_t>(_mm256_extract_epi32(out, 0));
            partner_bytes = static_cast<uint32_t>(_mm256_extract_epi32(out, 4));
            std::memcpy(pixel, &bytes, BPP);
            std::memcpy(partner, &partner_bytes, BPP);
        }
        store(next - step * LANES, behind_below);
        here.swap(below);
    }
}

}  // namespace

bool dither_vector_available() { return __builtin_cpu_supports("avx2") != 0; }

void dither_vector(Image& a, Image* b, int32_t format)
{
    int pixel_bits[4];
    field_bits(format, a.bytes_per_pixel() == 4, pixel_bits);
    const int32_t bits[LANES] = {pixel_bits[0], pixel_bits[1], pixel_bits[2], pixel_bits[3],
                                 pixel_bits[0], pixel_bits[1], pixel_bits[2], pixel_bits[3]};
    if (a.bytes_per_pixel() == 4) {
        dither_rows<4>(a, b, bits);
    } else {
        dither_rows<3>(a, b, bits);
    }
}

#else

bool dither_vector_available() { return false; }

void dither_vector(Image& a, Image* b, int32_t format)
{
    dither_portable(a, format);
    if (b != nullptr) dither_portable(*b, format);
}

#endif
