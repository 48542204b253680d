// The dither's choice of field for one channel: a table that gives, for any value the error
// diffusion can reach, what the nearest field shows once expanded and the error left.
#pragma once

#include <cstdint>

// Values and errors in 1/256ths of an 8-bit step.
constexpr int32_t DITHER_ONE = 256;
constexpr int32_t DITHER_MAX_VALUE = 255 * DITHER_ONE;

// One channel of a 16-bit format: where its field sits in the word and how wide it is.
struct DitherField {
    int channel;  // byte of the pixel: 0 blue, 1 green, 2 red, 3 alpha
    int shift;
    int bits;
};

class FieldChoice {
public:
    // Values may lie up to MARGIN whole steps past either end of 0 .. 255: the errors coming into
    // a pixel are shares of four errors whose weights add up to 1, each rounded by less than
    // 1/256th, and an error is at most half the largest step between shown values (17 at 4 bits:
    // 2176, under 9 whole steps), so they add up to less than 9 whole steps either way.
    static constexpr int32_t MARGIN = 16;

    FieldChoice() = default;
    // The table for field of format (a QFB_FORMAT_ code), from the format library's expansion.
    FieldChoice(int32_t format, const DitherField& field);

    // What the field nearest to value shows (the lower one on a tie), value taken within
    // 0 .. DITHER_MAX_VALUE, and the error left: that value less what the field shows.
    int32_t choose(int32_t value, int32_t& error) const
    {
        // The whole steps of value carried up by MARGIN: never negative.
        const Choice& c = choice_[static_cast<uint32_t>(value + MARGIN * DITHER_ONE) >> 8];
        const int32_t shown = value > c.threshold ? c.high : c.low;
        error = (value - shown) & c.keep;
        return shown;
    }

private:
    // For a whole step v: the nearest field q to v and the one above it, as what they show, and
    // the value above which q + 1 is nearer than q. Values from v up to the next whole step choose
    // between these two only: neighbouring thresholds lie at least 4 whole steps apart.
    struct Choice {
        int32_t threshold;
        int32_t low, high;  // the two fields' shown values; high is low for the top field
        // Masks the error: all ones, or 0 where the value is taken as an end of the range, which
        // shows exactly (bit replication shows 0 and 255 as they are), so that no error is left.
        int32_t keep;
    };
    Choice choice_[256 + 2 * MARGIN] = {};
};
