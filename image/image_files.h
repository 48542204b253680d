// The image files the tools read besides Targa files, each through a library made for its format
// (PNG through libspng), and the choice of a reader by a file's name. A target of its own, so
// that makeqfb, which reads Targa files alone, links none of these libraries.
#pragma once

#include <cstdint>
#include <string>

#include "files.h"
#include "frameset.h"

#include "image.h"
#include "image_problem.h"
#include "image_reader.h"

// Decodes the PNG file name, whatever its colour type and depth, to 8-bit blue, green, red,
// alpha (a tRNS chunk gives alpha; 16-bit channels keep their top 8 bits) through libspng. The
// file is read whole, and its header checked against the limits before any pixel buffer is made:
// at most max_bytes of pixels (a sprite sheet may have more than one image).
ImageProblem load_png(const char* name, Image& image, uint64_t max_bytes = MAX_IMAGE_BYTES);

// Why a file's bytes were not read, for a message: "cannot open the file", ...
const char* read_status_text(ReadStatus status);

// The reader of a file by its name's extension: PNG for ".png" (in any case), Targa for any other.
const ImageReader& reader_for(const std::string& file);

// Loads an image with the reader its file's name picks.
ImageProblem load_image_file(const ImageRef& ref, Image& image, std::string* id = nullptr);
