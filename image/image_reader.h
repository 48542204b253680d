// The readers of image files, and what names one image of a file. A file may hold several images
// (the cells of a sprite sheet, the frames of an animation, the layers of a texture array): a
// reader says how many, and loads any one of them. Targa and PNG files hold one each.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "image.h"
#include "image_problem.h"

// One image of a frame list: a file, and which of its images (0 for a file that holds one).
struct ImageRef {
    std::string file;
    int32_t index = 0;
};

// A reader of one kind of image file. Neither call prints. A reader of files of several images
// may keep what it decoded of a file between its calls.
struct ImageReader {
    const char* kind;  // "Targa", "PNG": what a file is read as, for messages
    // How many images the file holds, into *images.
    std::function<ImageProblem(const std::string& file, int32_t* images)> count;
    // Loads image ref.index of the file, and its image ID into id when that is not null (empty
    // where the format has none).
    std::function<ImageProblem(const ImageRef& ref, Image& image, std::string* id)> load;
    // How many of the file's images make one frame, after count: its image, then its levels (a
    // texture's chain). Images are frame by frame. Null for readers whose every image is a frame.
    std::function<int32_t(const std::string& file)> images_per_frame;
};

// The count of a format whose files hold one image each.
ImageProblem one_image(const std::string& file, int32_t* images);

// Targa files (see targa_image.h), the reader this library has itself.
const ImageReader& targa_reader();

// Picks the reader of a file by its name. makeqfb reads Targa files alone; the tools that read
// other kinds take the choice of image_files.h.
using ReaderFor = std::function<const ImageReader&(const std::string& file)>;
