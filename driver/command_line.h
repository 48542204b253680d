// The command line: the usage text and the conversion of the format and fps arguments.
#pragma once

#include <cstdint>

#include "pixel_format.h"

// Prints the usage text to standard output.
void print_usage();

// "1555", "4444" or "565", compared exactly; false for anything else.
bool parse_format(const char* text, PixelFormat* format);

// Decimal integer in the manner of strtol base 10 (leading space and sign accepted, conversion stops
// at the first non-digit, no digits give 0), saturated to the signed 32-bit range.
int32_t parse_fps(const char* text);
