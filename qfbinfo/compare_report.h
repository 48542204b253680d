// The comparison's output, every line of it: a heading, one line per level and a summary line
// for the whole file, or one JSON document with the same figures. Numbers have two decimals and
// are printed in the C locale (qfbinfo never sets another); an infinite PSNR (no error) is "inf"
// in text and null in JSON, as is alpha where it is not compared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <qfb/qfb.h>

#include "level_figures.h"

struct CompareHeading {
    const char* file = nullptr;                        // the QFB file's name
    const std::vector<std::string>* sources = nullptr;  // the source as compared
    qfb_header header{};
    int32_t source_bits_per_pixel = 0;
    bool alpha = false;  // alpha is compared
};

class CompareReport {
public:
    explicit CompareReport(bool json) : json_(json) {}
    void start(const CompareHeading& heading);
    // One level's figures; flicker for the frames after the first.
    void level(const qfb_level& level, const ErrorSums& sums);
    // The whole file's: every level's sums pooled, flicker over the full-size levels only (whole
    // carries theirs); made is the number of source levels made as qfbprep makes them.
    void finish(const ErrorSums& whole, uint64_t levels, int32_t made);

private:
    std::string channels(const ErrorSums& sums) const;
    bool json_;
    bool alpha_ = false;
    bool frames_ = false;  // more than one frame: there is flicker
    bool first_ = true;    // no level printed yet
};
