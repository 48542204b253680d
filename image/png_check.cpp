// The checks both PNG readers make before decoding (see png_check.h).
#include "png_check.h"

#include <qfb/qfb.h>

#include "image_files.h"
#include "targa.h"

namespace {

const char* not_a_png(const uint8_t* data, size_t size)
{
    TargaHeader header;
    const TargaError as_targa = check_targa_header(data, size, header);
    switch (as_targa) {
    case TargaError::none: return "this is a Targa file, not a PNG file: name it as a frame of the set instead of importing it";
    case TargaError::jpeg_file:
    case TargaError::gif_file:
    case TargaError::bmp_file:
    case TargaError::webp_file: return targa_error_text(as_targa);
    default: return nullptr;
    }
}

}  // namespace

ImageProblem read_png_file(const char* name, FileBytes& bytes)
{
    const ReadStatus read = bytes.open(name, false, MAX_PNG_FILE);
    if (read != ReadStatus::ok) return png_unreadable(name, read_status_text(read));
    const char* what = not_a_png(bytes.data(), bytes.size());
    if (what == nullptr) return {};
    ImageProblem problem = png_unreadable(name, what);
    TargaHeader header;
    problem.other_format = other_format_name(check_targa_header(bytes.data(), bytes.size(), header));
    return problem;
}

ImageProblem png_size_problem(const char* name, uint64_t width, uint64_t height, uint64_t max_bytes)
{
    if (width > QFB_MAX_SIDE || height > QFB_MAX_SIDE)
        return ImageProblem::of_file(ImageProblem::too_many_pixels, name, "PNG", "", width << 32 | height);
    const uint64_t pixel_bytes = width * height * 4;
    if (pixel_bytes > max_bytes) return ImageProblem::of_file(ImageProblem::too_large, name, "PNG", "", pixel_bytes);
    return {};
}

ImageProblem png_unreadable(const char* name, const char* reason)
{
    return ImageProblem::of_file(ImageProblem::unreadable, name, "PNG", reason);
}
