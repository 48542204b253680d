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

// What libspng refused, in the tools' words: a short lower-case phrase.
const char* png_refusal(int error)
{
    switch (error) {
    case SPNG_EMEM: return "out of memory";
    case SPNG_ESIGNATURE: return "it is not a PNG file: its first bytes are not a PNG signature";
    case SPNG_EWIDTH:
    case SPNG_EHEIGHT:
    case SPNG_EBIT_DEPTH:
    case SPNG_ECOLOR_TYPE:
    case SPNG_ECOMPRESSION_METHOD:
    case SPNG_EFILTER_METHOD:
    case SPNG_EINTERLACE_METHOD:
    case SPNG_EIHDR_SIZE:
    case SPNG_ENOIHDR: return "its header (IHDR) is damaged";
    case SPNG_ECHUNK_CRC: return "it is damaged: a part's checksum is wrong";
    case SPNG_ECHUNK_LIMITS: return "a part of it beside the pixels is larger than the 1 MiB such a part may have";
    case SPNG_IO_EOF:
    case SPNG_EOF:
    case SPNG_EIDAT_TOO_SHORT: return "it is cut short";
    case SPNG_EIDAT_STREAM:
    case SPNG_EZLIB:
    case SPNG_EFILTER: return "its pixel data is damaged";
    default: return "it is damaged: a part of it breaks the PNG format";
    }
}

}  // namespace

ImageProblem load_png(const char* name, Image& image, uint64_t max_bytes)
{
    FileBytes bytes;
    const ImageProblem unread = read_png_file(name, bytes);
    if (!unread.ok()) return unread;
    std::unique_ptr<spng_ctx, ContextDeleter> ctx(spng_ctx_new(0));
    if (!ctx) return png_unreadable(name, "out of memory");
    spng_ihdr ihdr{};
    int error = spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size());
    // libspng's own limit is the largest it takes; the sizes are checked here, in pixels.
    if (error == 0) error = spng_set_image_limits(ctx.get(), INT32_MAX, INT32_MAX);
    if (error == 0) error = spng_set_chunk_limits(ctx.get(), MAX_CHUNK_BYTES, MAX_CHUNK_BYTES);
    if (error == 0) error = spng_get_ihdr(ctx.get(), &ihdr);
    if (error != 0) return png_unreadable(name, png_refusal(error));
    // The size is checked before the pixels are decoded or any room is allocated for them.
    const ImageProblem size = png_size_problem(name, ihdr.width, ihdr.height, max_bytes);
    if (!size.ok()) return size;
    const uint64_t pixel_bytes = uint64_t{ihdr.width} * ihdr.height * 4;
    image.width = static_cast<int32_t>(ihdr.width);
    image.height = static_cast<int32_t>(ihdr.height);
    image.bits_per_pixel = 32;
    image.pixels.assign(static_cast<size_t>(pixel_bytes), 0);
    error = spng_decode_image(ctx.get(), image.pixels.data(), image.pixels.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
    if (error != 0) return png_unreadable(name, png_refusal(error));
    // Red, green, blue, alpha becomes Targa's blue, green, red, alpha.
    for (size_t i = 0; i < image.pixels.size(); i += 4) std::swap(image.pixels[i], image.pixels[i + 2]);
    return {};
}
