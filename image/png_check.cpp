// The checks both PNG readers make before decoding (see png_check.h).
#include "png_check.h"

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

const char* read_png_file(const char* name, FileBytes& bytes)
{
    switch (bytes.open(name, false, MAX_PNG_FILE)) {
    case ReadStatus::ok: break;
    case ReadStatus::cannot_open: return "cannot open the file";
    case ReadStatus::out_of_memory: return "out of memory";
    case ReadStatus::too_large: return "the file is larger than 64 MiB";
    default: return "read failed";
    }
    return not_a_png(bytes.data(), bytes.size());
}

ImageProblem png_unreadable(const char* name, const char* reason)
{
    return ImageProblem::of_file(ImageProblem::unreadable, name, "PNG", reason);
}
