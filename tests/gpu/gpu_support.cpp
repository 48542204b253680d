// The driver tests' shared pieces (see gpu_support.h), but the EGL context (egl_context.cpp).
#include "tests/gpu/gpu_support.h"

#include <cstdio>
#include <cstring>

namespace qfb_gpu {

std::vector<uint8_t> every_word()
{
    std::vector<uint8_t> words(65536 * 2);
    for (uint32_t w = 0; w < 65536; ++w) {
        words[2 * w] = static_cast<uint8_t>(w);
        words[2 * w + 1] = static_cast<uint8_t>(w >> 8);
    }
    return words;
}

static qfb_file layout_of(int32_t format, int32_t width, int32_t height, int32_t frames, int32_t mipmaps,
                          std::vector<uint8_t>& bytes)
{
    const qfb_header header{width, height, format, 12, frames, mipmaps};
    qfb_file file{};
    EXPECT_EQ(qfb_layout(&header, &file), QFB_OK);
    bytes.assign(static_cast<size_t>(file.size), 0);
    qfb_encode_header(&header, bytes.data());
    return file;
}

std::vector<uint8_t> packed_file(int32_t format, int32_t width, int32_t height, int32_t frames, int32_t mipmaps)
{
    std::vector<uint8_t> bytes;
    const qfb_file file = layout_of(format, width, height, frames, mipmaps, bytes);
    qfb_level level{};
    for (int more = qfb_first_level(&file, &level); more; more = qfb_next_level(&file, &level)) {
        uint32_t state = 2166136261u ^ static_cast<uint32_t>(level.frame * 977 + level.level * 31 + format);
        std::vector<uint8_t> pixels(static_cast<size_t>(level.size / 2) * 4);
        for (uint8_t& byte : pixels) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<uint8_t>(state >> 24);
        }
        // Some fully transparent pixels, so that 1555's flag is set somewhere.
        for (size_t i = 3; i < pixels.size(); i += 28) pixels[i] = 0;
        EXPECT_EQ(qfb_encode_pixels(pixels.data(), pixels.size() / 4, 4, format, bytes.data() + level.offset), QFB_OK);
    }
    return bytes;
}

std::vector<uint8_t> file_of_words(int32_t format, int32_t width, int32_t height, const std::vector<uint8_t>& words)
{
    std::vector<uint8_t> bytes;
    layout_of(format, width, height, 1, 0, bytes);
    EXPECT_EQ(bytes.size(), QFB_HEADER_SIZE + words.size());
    std::memcpy(bytes.data() + QFB_HEADER_SIZE, words.data(), words.size());
    return bytes;
}

std::string differences(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected, size_t unit)
{
    if (actual.size() != expected.size())
        return std::to_string(actual.size()) + " bytes where " + std::to_string(expected.size()) + " were expected";
    size_t count = 0, first = 0;
    for (size_t i = 0; i < actual.size(); i += unit) {
        if (std::memcmp(&actual[i], &expected[i], unit) == 0) continue;
        if (count++ == 0) first = i;
    }
    if (count == 0) return {};
    std::string text = std::to_string(count) + " of " + std::to_string(actual.size() / unit) + " differ; first, #" +
                       std::to_string(first / unit) + ":";
    char hex[8];
    for (const auto* side : {&actual, &expected}) {
        text += side == &actual ? " got" : " expected";
        for (size_t b = 0; b < unit; ++b) {
            std::snprintf(hex, sizeof hex, " %02x", (*side)[first + b]);
            text += hex;
        }
    }
    return text;
}

}  // namespace qfb_gpu
