// PNG input through libspng (see image_files.h). The file is read whole into memory, its header is
// checked against the limits before any pixel buffer is allocated, and libspng checks the rest.
#include "image_files.h"

#include <spng.h>

#include <memory>
#include <utility>

#include <qfb/qfb.h>

#include "files.h"
#include "frameset.h"
#include "png_check.h"

namespace {

// Chunks beside the pixels (text, profiles) are skipped, but libspng keeps them: bound them.
constexpr size_t MAX_CHUNK_BYTES = 1 << 20;

struct ContextDeleter {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

}  // namespace

ImageProblem load_png(const char* name, Image& image)
{
    FileBytes bytes;
    if (const char* why = read_png_file(name, bytes)) return png_unreadable(name, why);
    std::unique_ptr<spng_ctx, ContextDeleter> ctx(spng_ctx_new(0));
    if (!ctx) return png_unreadable(name, "out of memory");
    spng_ihdr ihdr{};
    int error = spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size());
    if (error == 0) error = spng_set_image_limits(ctx.get(), QFB_MAX_SIDE, QFB_MAX_SIDE);
    if (error == 0) error = spng_set_chunk_limits(ctx.get(), MAX_CHUNK_BYTES, MAX_CHUNK_BYTES);
    if (error == 0) error = spng_get_ihdr(ctx.get(), &ihdr);
    if (error != 0) return png_unreadable(name, spng_strerror(error));
    // The size is checked before the pixels are decoded or any room is allocated for them.
    const uint64_t pixel_bytes = uint64_t{ihdr.width} * ihdr.height * 4;
    if (pixel_bytes > MAX_IMAGE_BYTES) return ImageProblem::of_file(ImageProblem::too_large, name, "PNG", "", pixel_bytes);
    image.width = static_cast<int32_t>(ihdr.width);
    image.height = static_cast<int32_t>(ihdr.height);
    image.bits_per_pixel = 32;
    image.pixels.assign(static_cast<size_t>(pixel_bytes), 0);
    error = spng_decode_image(ctx.get(), image.pixels.data(), image.pixels.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
    if (error != 0) return png_unreadable(name, spng_strerror(error));
    // Red, green, blue, alpha becomes Targa's blue, green, red, alpha.
    for (size_t i = 0; i < image.pixels.size(); i += 4) std::swap(image.pixels[i], image.pixels[i + 2]);
    return {};
}
