// What both PNG readers (libspng's and the Windows Imaging Component's) check before decoding.
#pragma once

#include <cstddef>
#include <cstdint>

// A PNG file holds at most this many bytes: far more than an image makeqfb packs compresses to,
// and little enough to read whole.
constexpr size_t MAX_PNG_FILE = size_t{64} << 20;

// What a file that is not a PNG file is, with what to do, when its bytes tell: another image format
// in makeqfb's words, or a Targa file; null otherwise (the decoder then says what is wrong).
const char* not_a_png(const uint8_t* data, size_t size);
