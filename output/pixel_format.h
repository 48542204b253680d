// PixelFormat: the code of a 16-bit pixel layout, as chosen on the command line and stored in
// the QFB header (the codes, and their names, are the format library's).
#pragma once

#include <cstdint>

#include <qfb/qfb.h>

enum PixelFormat : int32_t {
    FORMAT_1555 = QFB_FORMAT_1555,  // flag (source alpha exactly 0) in bit 15, then 5 bits each of red, green, blue
    FORMAT_4444 = QFB_FORMAT_4444,  // 4 bits each of alpha, red, green, blue
    FORMAT_565 = QFB_FORMAT_565,    // 5 bits red, 6 bits green, 5 bits blue
};
