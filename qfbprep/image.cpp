// Loading and writing one image (see image.h).
#include "image.h"

#include "frameset.h"
#include "targa.h"

LoadRefusal load_image(const char* name, Image& image)
{
    TargaFile file;
    TargaError why = file.open(name);
    const TargaHeader& h = file.header();
    if (why == TargaError::none && !packable_depth(h.pixel_depth))
        return LoadRefusal{LoadRefusal::wrong_depth, nullptr, h.pixel_depth};
    const uint64_t bytes = image_bytes(h.width, h.height, h.pixel_depth);
    if (why == TargaError::none && bytes > MAX_IMAGE_BYTES) return LoadRefusal{LoadRefusal::too_large, nullptr, bytes};
    if (why == TargaError::none) why = file.locate(MAX_IMAGE_BYTES);
    if (why == TargaError::none) {
        image.width = h.width;
        image.height = h.height;
        image.bits_per_pixel = h.pixel_depth;
        image.pixels.assign(static_cast<size_t>(bytes), 0);
        why = file.load(image.pixels.data());
    }
    if (why == TargaError::none) return LoadRefusal{};
    return LoadRefusal{LoadRefusal::unreadable, targa_error_text(why), 0};
}

WriteStatus write_image(const std::string& name, const Image& image, AtomicFile& out)
{
    uint8_t header[TARGA_HEADER_SIZE];
    encode_targa_header(static_cast<uint16_t>(image.width), static_cast<uint16_t>(image.height),
                        static_cast<uint8_t>(image.bits_per_pixel), header);
    WriteStatus status = out.create(name);
    if (status == WriteStatus::ok) {
        out.write(header, sizeof header);
        out.write(image.pixels.data(), image.pixels.size());
        status = out.close();
    }
    return status;
}
