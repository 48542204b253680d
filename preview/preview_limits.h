// The limits on the pictures qfbinfo makes of a QFB file. A file whose picture would pass one is
// refused before anything is read past the header or written.
#pragma once

#include <cstdint>

// Sheet pixels: viewers hold a picture whole, and 192 MiB of RGB is as much as they open readily.
constexpr uint64_t SHEET_MAX_PIXELS = uint64_t{1} << 26;
// Side of an animation frame: WebP stores a side in 14 bits (libwebp's WEBP_MAX_DIMENSION).
constexpr int32_t ANIMATION_MAX_SIDE = 16383;
// Pixels of one animation frame: the encoder keeps several canvases of 4 bytes a pixel at once.
constexpr uint64_t ANIMATION_MAX_FRAME_PIXELS = uint64_t{1} << 24;
// Frames of an animation: past ten thousand (almost three minutes at 60 fps) a preview is no help.
constexpr int32_t ANIMATION_MAX_FRAMES = 10000;
// Pixels of all frames together: the encoder keeps every encoded frame in memory until the end.
constexpr uint64_t ANIMATION_MAX_PIXELS = uint64_t{1} << 26;
