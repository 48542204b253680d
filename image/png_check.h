// What both PNG readers (libspng's and the Windows Imaging Component's) check before decoding.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files.h"
#include "image_problem.h"

// A PNG file holds at most this many bytes: far more than an image makeqfb packs compresses to,
// and little enough to read whole.
constexpr size_t MAX_PNG_FILE = size_t{64} << 20;

// Reads the file name whole into bytes (read, not mapped: neither decoder can be left by a jump):
// nothing, or why it cannot be read as a PNG file (it cannot be opened or read, is too large, or its
// bytes tell that it is another image format, named in other_format, or a Targa file). Whatever
// else is wrong, the decoder says.
ImageProblem read_png_file(const char* name, FileBytes& bytes);

// The problem of a PNG file of width x height that is larger than max_bytes of pixels may be, or
// wider or taller than a side may be; nothing when it fits. Checked before any room is made.
ImageProblem png_size_problem(const char* name, uint64_t width, uint64_t height, uint64_t max_bytes);

// The problem of the PNG file name that cannot be read, for reason.
ImageProblem png_unreadable(const char* name, const char* reason);
