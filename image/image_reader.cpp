// The Targa reader, and the count of files of one image (see image_reader.h).
#include "image_reader.h"

#include "targa_image.h"

namespace {

ImageProblem load_targa(const ImageRef& ref, Image& image, std::string* id)
{
    return load_image(ref.file.c_str(), image, id);
}

}  // namespace

ImageProblem one_image(const std::string&, int32_t* images)
{
    *images = 1;
    return {};
}

const ImageReader& targa_reader()
{
    static const ImageReader reader = {"Targa", one_image, load_targa, nullptr};
    return reader;
}
