// Reading a PNG file into an Image (32 bits, top row first) through libspng.
#pragma once

#include "image.h"

// Decodes the PNG file name, whatever its colour type and depth, to 8-bit blue, green, red,
// alpha (a tRNS chunk gives alpha; 16-bit channels keep their top 8 bits). The file is read whole,
// and its header checked against the limits before any pixel buffer is allocated.
LoadRefusal load_png(const char* name, Image& image);
