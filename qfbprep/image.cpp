// Loading and writing one image (see image.h).
#include "image.h"

#include "frameset.h"
#include "targa.h"

LoadRefusal open_image(const char* name, TargaFile& file, Image& shape)
{
    TargaError why = file.open(name);
    const TargaHeader& h = file.header();
    if (why == TargaError::none && !packable_depth(h.pixel_depth))
        return LoadRefusal{LoadRefusal::wrong_depth, nullptr, h.pixel_depth};
    const uint64_t bytes = image_bytes(h.width, h.height, h.pixel_depth);
    if (why == TargaError::none && bytes > MAX_IMAGE_BYTES) return LoadRefusal{LoadRefusal::too_large, nullptr, bytes};
    if (why == TargaError::none) why = file.locate(MAX_IMAGE_BYTES);
    if (why != TargaError::none) return LoadRefusal{LoadRefusal::unreadable, targa_error_text(why), 0};
    shape.width = h.width;
    shape.height = h.height;
    shape.bits_per_pixel = h.pixel_depth;
    return LoadRefusal{};
}

LoadRefusal load_image(const char* name, Image& image, std::string* id)
{
    TargaFile file;
    LoadRefusal refusal = open_image(name, file, image);
    if (refusal.kind != LoadRefusal::none) return refusal;
    image.pixels.resize(static_cast<size_t>(file.image().image_bytes));
    const TargaError why = file.load(image.pixels.data());
    if (id != nullptr) *id = file.image_id();
    if (why == TargaError::none) return LoadRefusal{};
    return LoadRefusal{LoadRefusal::unreadable, targa_error_text(why), 0};
}

void threshold_alpha(Image& image, int32_t threshold)
{
    if (image.bits_per_pixel != 32) return;
    for (size_t i = 3; i < image.pixels.size(); i += 4) image.pixels[i] = image.pixels[i] < threshold ? 0 : 255;
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
