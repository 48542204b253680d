// The finish of stable's later frames: where changed pixels meet kept ones, the diffusion could
// only carry errors forward, into pixels that cannot take them. This pass moves each changed pixel
// beside a kept one a field up or down wherever that lowers the error the eye sees (the error
// blurred by a Gaussian of sigma 1, the model qfbinfo --compare measures with), kept pixels
// untouched. Deterministic: a fixed order and integer arithmetic.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

// The changed pixels' columns x0 .. x1 and rows y0 .. y1 (x1 < x0 when there are none).
struct ChangedBox {
    int32_t x0, y0, x1, y1;
};

// image: the dithered frame (each channel the 8-bit value its field shows), source: its pixels
// before dithering, keep: a flag for each pixel kept from the frame before; bits: each byte's
// field width, 8 for a byte left as it is; box: where those rows' changed pixels lie. Only rows
// first_row .. first_row + rows - 1 are read and written, as if they were the whole image. Fully
// transparent pixels are neither moved nor counted.
void refine_beside_kept(Image& image, const Image& source, const std::vector<uint8_t>& keep, const int (&bits)[4],
                        int32_t first_row, int32_t rows, const ChangedBox& box);
