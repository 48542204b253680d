// PixelFormat: makeqfb's name for a 16-bit pixel layout's code, as chosen on the command line and
// stored in the QFB header (the codes, names and fields are the format library's).
#pragma once

#include <cstdint>

#include <qfb/qfb.h>

enum PixelFormat : int32_t {
    FORMAT_1555 = QFB_FORMAT_1555,
    FORMAT_4444 = QFB_FORMAT_4444,
    FORMAT_565 = QFB_FORMAT_565,
};
