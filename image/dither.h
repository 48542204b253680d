// Dithering of an image to the channel widths of a 16-bit pixel format, so that makeqfb's
// truncation of the result gives the chosen words. Each chosen field q of b bits is stored as the
// 8-bit value a GPU shows for it, round(q x 255 / (2^b - 1)), whose top b bits are q (for 4, 5
// and 6 bits), and every error is measured against that value: what is sampled on screen, where
// bit replication differs for 4 of the 32 five-bit values and 10 of the 64 six-bit ones.
//
// Methods:
// - diffusion: serpentine error diffusion, Floyd-Steinberg for 565 and 1555 and Sierra's lite
//   kernel (2/4 ahead, 1/4 below, 1/4 below behind) for 4444, which measure best for each.
// - ordered: a 64 x 64 blue-noise threshold matrix (void and cluster), aligned to the image's
//   coordinates, one offset of it per channel: a pixel's words depend only on its own value and
//   place, so what stands still in an animation stays exactly the same from frame to frame.
// - bayer: the same with the 8 x 8 Bayer matrix.
// - stable: each frame keeps the previous frame's words wherever its source pixel is unchanged,
//   and diffuses only the rest (all of the first frame): kept pixels pass on the errors they take
//   with their own, and the changed pixels beside them are then moved a field up or down where
//   that lowers the blurred error (dither_refine.h). Errors stay inside each band of a frame with
//   an even number of rows: halves, quarters from 256 rows, eighths from 512 (a first frame under
//   256 rows is diffused whole); the moves stay inside each pair of bands. Of a pair of bands
//   where something changed, only the columns of its changed pixels and a margin either side are
//   diffused: the errors of kept pixels further away are let go, as those of rows kept whole are.
// No error is carried into or out of a fully transparent pixel (alpha 0 in a 32-bit image).
// Strength scales the error passed on (diffusion, stable) or the threshold's spread around one
// half (ordered, bayer): 0 rounds each value to the nearest field.
// Deterministic: integer arithmetic only.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

// Values and errors in 1/256ths of an 8-bit step.
constexpr int32_t DITHER_ONE = 256;
constexpr int32_t DITHER_MAX_VALUE = 255 * DITHER_ONE;
// Strength in 1/256ths: full strength passes every error on whole.
constexpr int32_t DITHER_FULL_STRENGTH = 256;

enum class DitherMethod { diffusion, ordered, bayer, stable };

struct DitherOptions {
    DitherMethod method = DitherMethod::diffusion;
    int32_t strength = DITHER_FULL_STRENGTH;  // 0 .. DITHER_FULL_STRENGTH
};

// "diffusion", "ordered", "bayer" or "stable": false for any other name.
bool dither_method_named(const char* name, DitherMethod* method);
// Every method's name, for the usage text: "diffusion, ordered, bayer or stable".
const char* dither_method_names();
// A strength from 0 to 1 written as a decimal (at most three digits after the point): false for
// anything else. *strength gets it in 1/256ths, rounded to the nearest.
bool parse_strength(const char* text, int32_t* strength);

// The 8-bit value a GPU shows for field q of `bits` bits: round(q x 255 / (2^bits - 1)).
int32_t field_shown(int32_t q, int bits);

// The nearest field of `bits` bits (4, 5 or 6) for value taken within
// 0 .. DITHER_MAX_VALUE, as the value it shows in 1/256ths (the lower on a tie); error gets the
// value less what is shown.
int32_t choose_field(int32_t value, int bits, int32_t& error);

// Dithers every channel of image in place to the widths of format (a QFB_FORMAT_ code, as
// qfb_packed_format gives it): 565 five, six and five bits; 4444 four bits each, alpha included;
// 1555 five bits each with alpha left exactly as it is (only alpha 0 matters there); 565 leaves
// alpha as it is too. stable dithers image as its first frame.
void dither_image(Image& image, int32_t format, const DitherOptions& options = {});

// Dithers a and b as dither_image does, together when they have the same size and depth: every
// pixel waits for the error of the one before it, so a second image comes almost free.
void dither_images(Image& a, Image& b, int32_t format, const DitherOptions& options = {});

// stable: for each pixel of image, 1 where it equals previous_source's pixel, else 0; nothing
// when the two differ in size or depth. The flags are written into keep's memory.
std::vector<uint8_t> kept_pixels(const Image& image, const Image& previous_source, std::vector<uint8_t> keep = {});

// stable's frames are dithered in pieces of rows that do not depend on each other (the errors
// and the finish stay inside a piece), so that a piece waits only for the same piece of the frame
// before. image is the frame after the one whose dithered pixels are previous; source holds
// image's pixels before dithering (untouched), and keep (kept_pixels of image and the frame
// before's source) says which pixels keep previous's bytes. With keep empty, or previous not of
// image's size and depth, image is a first frame: diffused in the same bands, with nothing kept.
// The pieces of such a frame:
int32_t stable_pieces(const Image& image, const std::vector<uint8_t>& keep, const Image& previous);
// Dithers piece number piece (from 0) of image in place: only its rows are read and written, of
// image, source, keep and previous.
void dither_piece(Image& image, const Image& source, const std::vector<uint8_t>& keep, const Image& previous,
                  int32_t piece, int32_t format, const DitherOptions& options);
// Every piece of a frame, on two threads where the machine has them.
void dither_after(Image& image, const Image& source, const std::vector<uint8_t>& keep, const Image& previous,
                  int32_t format, const DitherOptions& options);
