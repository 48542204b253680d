// How closely one level of a QFB file shows its source: its words as a GPU samples them, the
// errors against the source per channel, the same after a Gaussian blur (a simple model of the
// eye), the largest error, and the words that change from the previous frame where the source
// does not (flicker). The figures are kept as sums, so that levels pool into the whole file's.
#pragma once

#include <cstdint>
#include <functional>

#include <qfb/qfb.h>

#include "image.h"

// Channels in the order of a source pixel and of qfb_format_fields: blue, green, red, alpha.
constexpr int CHANNELS = 4;
constexpr int ALPHA = 3;

struct ErrorSums {
    double squared[CHANNELS] = {};    // squared errors of each channel, summed
    uint64_t samples[CHANNELS] = {};  // values compared in each channel
    double blurred_squared = 0;       // squared errors of every compared value after the blur
    uint64_t blurred_samples = 0;
    int32_t largest = 0;              // the largest absolute error of any compared value, unblurred
    uint64_t steady = 0;              // pixels whose source is the previous frame's, every byte
    uint64_t flickered = 0;           // of those, the pixels whose word differs from the previous frame's

    void add(const ErrorSums& other);
};

// 10 log10(255^2 / MSE) in dB for squared errors summed over samples; infinity when the mean is
// 0 (no error, or nothing compared).
double psnr(double squared, uint64_t samples);

// What a GPU samples of a word: each field of max = 2^bits - 1 as round(v x 255 / max); a
// one-bit alpha field (1555's flag) as 0 where it is set (transparent) and 255 where clear; no
// alpha field (565) as 255. Blue, green, red, alpha into out.
void shown_pixel(uint16_t word, const qfb_field* fields, uint8_t out[CHANNELS]);

// Copies row `row` of a level's little-endian words (its width of them) into words; false when
// they cannot be read.
using LevelWords = std::function<bool(int32_t row, uint8_t* words)>;

struct LevelPair {
    const Image* source = nullptr;    // the reference, of the level's size
    LevelWords words;                 // the file's words of the level
    const Image* previous = nullptr;  // the previous frame's source of the same level; null for the first frame
    LevelWords previous_words;        // and the file's words of it
    const qfb_field* fields = nullptr;  // the file's format
    bool alpha = false;               // alpha is compared (the file and the source both have it)
};

// Adds the level's figures to sums. The colour of a pixel fully transparent in a 32-bit source
// (alpha 0) shows nothing and is left out, blurred too: the blur of colour averages only the
// counted pixels under the kernel (sigma 1, radius 3, edges clamped). False when the words could
// not be read. Memory: a few rows.
bool compare_level(const LevelPair& pair, ErrorSums& sums);
