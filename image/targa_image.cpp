// Targa files read as Images and Images written as Targa files (see targa_image.h).
#include "targa_image.h"

#include "frameset.h"

namespace {

ImageProblem unreadable(const char* name, TargaError why)
{
    ImageProblem problem = ImageProblem::of_file(ImageProblem::unreadable, name, "Targa", targa_error_text(why));
    problem.other_format = other_format_name(why);
    return problem;
}

}  // namespace

ImageProblem locate_image(const char* name, TargaFile& file)
{
    const TargaHeader& h = file.header();
    if (!packable_depth(h.pixel_depth))
        return ImageProblem::of_file(ImageProblem::wrong_depth, name, "Targa", "", h.pixel_depth);
    const uint64_t bytes = image_bytes(h.width, h.height, h.pixel_depth);
    if (bytes > MAX_IMAGE_BYTES) return ImageProblem::of_file(ImageProblem::too_large, name, "Targa", "", bytes);
    const TargaError why = file.locate(MAX_IMAGE_BYTES);
    return why == TargaError::none ? ImageProblem{} : unreadable(name, why);
}

ImageProblem open_image(const char* name, TargaFile& file)
{
    const TargaError why = file.open(name);
    return why == TargaError::none ? locate_image(name, file) : unreadable(name, why);
}

ImageProblem load_image(const char* name, Image& image, std::string* id)
{
    TargaFile file;
    const ImageProblem problem = open_image(name, file);
    if (!problem.ok()) return problem;
    const TargaHeader& h = file.header();
    image.width = h.width;
    image.height = h.height;
    image.bits_per_pixel = h.pixel_depth;
    image.pixels.resize(static_cast<size_t>(file.image().image_bytes));
    const TargaError why = file.load(image.pixels.data());
    if (id != nullptr) *id = file.image_id();
    return why == TargaError::none ? ImageProblem{} : unreadable(name, why);
}

WriteStatus write_image(const std::string& name, const Image& image, AtomicFile& out, const std::string& id)
{
    uint8_t header[TARGA_HEADER_SIZE];
    const size_t id_length = id.size() < 255 ? id.size() : 255;  // the field's length is one byte
    encode_targa_header(static_cast<uint16_t>(image.width), static_cast<uint16_t>(image.height),
                        static_cast<uint8_t>(image.bits_per_pixel), header, static_cast<uint8_t>(id_length));
    WriteStatus status = out.create(name);
    if (status == WriteStatus::ok) {
        out.write(header, sizeof header);
        out.write(id.data(), id_length);
        out.write(image.pixels.data(), image.pixels.size());
        status = out.close();
    }
    return status;
}
