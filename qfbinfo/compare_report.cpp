// The comparison's text and JSON forms (see compare_report.h).
#include "compare_report.h"
#include "info_texts.h"

#include <cmath>
#include <cstdio>

namespace {

const char* const CHANNEL_NAMES[CHANNELS] = {"blue", "green", "red", "alpha"};

// A PSNR with two decimals; `infinite` (inf or null) when there is no error.
std::string decibels(double value, const char* infinite)
{
    if (std::isinf(value)) return infinite;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The share of steady pixels that flicker, in percent; 0 when no pixel is steady.
double flicker_percent(const ErrorSums& sums)
{
    return sums.steady == 0 ? 0.0 : 100.0 * static_cast<double>(sums.flickered) / static_cast<double>(sums.steady);
}

double all_channels(const ErrorSums& sums)
{
    double squared = 0;
    uint64_t samples = 0;
    for (int c = 0; c < CHANNELS; ++c) squared += sums.squared[c], samples += sums.samples[c];
    return psnr(squared, samples);
}

// A JSON string: quotes, backslashes and control characters escaped; other bytes as they are.
std::string json_string(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

const char* plural(int64_t n) { return n == 1 ? "" : "s"; }

}  // namespace

std::string CompareReport::channels(const ErrorSums& sums) const
{
    std::string out = json_ ? "{" : "PSNR";
    for (int c = 0; c < CHANNELS; ++c) {
        const bool compared = c != ALPHA || alpha_;
        const std::string value = json_ ? (compared ? decibels(psnr(sums.squared[c], sums.samples[c]), "null") : "null")
                                        : (compared ? decibels(psnr(sums.squared[c], sums.samples[c]), "inf") : "absent");
        out += json_ ? std::string(c > 0 ? ", " : "") + "\"" + CHANNEL_NAMES[c] + "\": " + value
                     : std::string(" ") + CHANNEL_NAMES[c] + " " + value;
    }
    return out + (json_ ? ", \"all\": " + decibels(all_channels(sums), "null") + "}"
                        : ", all " + decibels(all_channels(sums), "inf") + " dB");
}

void CompareReport::start(const CompareHeading& heading)
{
    const qfb_header& h = heading.header;
    alpha_ = heading.alpha;
    frames_ = h.frame_count > 1;
    const char* format = qfb_format_name(h.format);
    if (!json_) {
        say(InfoText::comparing, heading.file, format, h.frame_count, plural(h.frame_count), h.width, h.height, h.mipmap_count,
                    plural(h.mipmap_count), heading.source_bits_per_pixel,
                    heading.alpha ? "" : text_of(InfoText::alpha_not_compared).c_str());
        return;
    }
    std::string sources;
    for (const std::string& name : *heading.sources) sources += (sources.empty() ? "" : ", ") + json_string(name);
    std::printf("{\n  \"file\": %s,\n  \"source\": [%s],\n  \"format\": \"%s\",\n  \"width\": %d,\n  \"height\": %d,\n"
                "  \"frames\": %d,\n  \"mipmaps\": %d,\n  \"source_bits_per_pixel\": %d,\n  \"alpha_compared\": %s,\n"
                "  \"levels\": [",
                json_string(heading.file).c_str(), sources.c_str(), format, h.width, h.height, h.frame_count,
                h.mipmap_count, heading.source_bits_per_pixel, heading.alpha ? "true" : "false");
}

void CompareReport::level(const qfb_level& level, const ErrorSums& sums)
{
    const std::string psnrs = channels(sums);
    const std::string blurred = decibels(psnr(sums.blurred_squared, sums.blurred_samples), json_ ? "null" : "inf");
    const bool flicker = level.frame > 0;
    if (!json_) {
        std::printf("frame %d level %d, %d x %d: %s; blurred %s dB; largest error %d", level.frame + 1, level.level,
                    level.width, level.height, psnrs.c_str(), blurred.c_str(), sums.largest);
        if (flicker) std::printf("; flicker %.2f %%", flicker_percent(sums));
        std::printf("\n");
        return;
    }
    char flicker_text[32] = "null";
    if (flicker) std::snprintf(flicker_text, sizeof flicker_text, "%.2f", flicker_percent(sums));
    std::printf("%s\n    {\"frame\": %d, \"level\": %d, \"width\": %d, \"height\": %d, \"psnr\": %s, \"blurred_psnr\": %s, "
                "\"largest_error\": %d, \"flicker\": %s}",
                first_ ? "" : ",", level.frame + 1, level.level, level.width, level.height, psnrs.c_str(),
                blurred.c_str(), sums.largest, flicker_text);
    first_ = false;
}

void CompareReport::finish(const ErrorSums& whole, uint64_t levels, int32_t made)
{
    const std::string psnrs = channels(whole);
    const std::string blurred = decibels(psnr(whole.blurred_squared, whole.blurred_samples), json_ ? "null" : "inf");
    if (!json_) {
        std::printf("whole file, %llu level%s: %s; blurred %s dB; largest error %d", static_cast<unsigned long long>(levels),
                    plural(static_cast<int64_t>(levels)), psnrs.c_str(), blurred.c_str(), whole.largest);
        if (frames_) std::printf("; flicker %.2f %% at full size", flicker_percent(whole));
        std::printf("\n");
        if (made > 0)
            say(InfoText::levels_made, made, plural(made));
        return;
    }
    char flicker_text[32] = "null";
    if (frames_) std::snprintf(flicker_text, sizeof flicker_text, "%.2f", flicker_percent(whole));
    std::printf("\n  ],\n  \"summary\": {\"levels\": %llu, \"made_levels\": %d, \"psnr\": %s, \"blurred_psnr\": %s, "
                "\"largest_error\": %d, \"flicker\": %s}\n}\n",
                static_cast<unsigned long long>(levels), made, psnrs.c_str(), blurred.c_str(), whole.largest,
                flicker_text);
}
