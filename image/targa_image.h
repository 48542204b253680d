// Targa files and Images: a Targa file read as an Image, with the refusals of every image a frame
// set may have (24 or 32 bits, at most MAX_IMAGE_BYTES of pixels, its pixels within the file), and
// an Image written as an uncompressed Targa file.
#pragma once

#include <string>

#include "files.h"
#include "image.h"
#include "image_problem.h"
#include "targa.h"

// The refusals above, on a Targa file opened already, whose pixels are then located; name is what
// a problem names.
ImageProblem locate_image(const char* name, TargaFile& file);

// Opens a Targa file and locates its pixels with those refusals, for a caller that reads them
// from the file itself.
ImageProblem open_image(const char* name, TargaFile& file);

// Loads a Targa file, opened once, and its image ID into id when that is not null. An image
// larger than a set's may be is refused before anything is allocated for it.
ImageProblem load_image(const char* name, Image& image, std::string* id = nullptr);

// The image as an uncompressed Targa file (the image ID id, at most 255 bytes; no colour map; top
// row first) into a new temporary file for name, finished and closed: out commits it. Prints
// nothing, shares nothing.
WriteStatus write_image(const std::string& name, const Image& image, AtomicFile& out, const std::string& id = {});
