// PixelFormat: the code of a 16-bit pixel layout, as chosen on the command line and stored in
// the QFB header, and its printable name.
#pragma once

#include <cstdint>

enum PixelFormat : int32_t {
    FORMAT_1555 = 0,  // flag (source alpha exactly 0) in bit 15, then 5 bits each of red, green, blue
    FORMAT_4444 = 1,  // 4 bits each of alpha, red, green, blue
    FORMAT_565 = 2,   // 5 bits red, 6 bits green, 5 bits blue
};

// "1555", "4444" or "565"; nullptr for any other value.
const char* pixel_format_name(PixelFormat format);
