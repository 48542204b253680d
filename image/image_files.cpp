// The readers of image files by their names (see image_files.h).
#include "image_files.h"

#include "frame_list.h"

namespace {

ImageProblem load_png_image(const ImageRef& ref, Image& image, std::string* id)
{
    if (id != nullptr) id->clear();  // a PNG file has no image ID
    return load_png(ref.file.c_str(), image);
}

}  // namespace

const char* read_status_text(ReadStatus status)
{
    switch (status) {
    case ReadStatus::ok: return "no problem";
    case ReadStatus::cannot_open: return "cannot open the file";
    case ReadStatus::out_of_memory: return "out of memory";
    case ReadStatus::too_large: return "the file is larger than 64 MiB";  // the limit of every reader here
    default: return "read failed";
    }
}

const ImageReader& reader_for(const std::string& file)
{
    static const ImageReader png = {"PNG", one_image, load_png_image, nullptr};
    return has_extension(file, ".png") ? png : targa_reader();
}

ImageProblem load_image_file(const ImageRef& ref, Image& image, std::string* id)
{
    return reader_for(ref.file).load(ref, image, id);
}
