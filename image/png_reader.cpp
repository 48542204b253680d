// PNG input through libspng (see image_files.h). The file is read whole into memory, its header is
// checked against the limits before any pixel buffer is allocated, and libspng checks the rest.
#include "image_files.h"

#include <spng.h>

#include <memory>
#include <utility>

#include <qfb/qfb.h>

#include "files.h"
#include "frameset.h"
#include "targa.h"

namespace {

// A PNG file holds at most this many bytes: far more than an image makeqfb packs compresses to,
// and little enough to read whole (read_status_text names the limit).
constexpr size_t MAX_PNG_FILE = size_t{64} << 20;
// Chunks beside the pixels (text, profiles) are skipped, but libspng keeps them: bound them.
constexpr size_t MAX_CHUNK_BYTES = 1 << 20;

struct ContextDeleter {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

// What a file that is not a PNG file is, with what to do, when its bytes tell: another image format
// in makeqfb's words, or a Targa file; null otherwise (libspng then says what is wrong).
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
    const auto unreadable = [name](const char* reason) {
        return ImageProblem::of_file(ImageProblem::unreadable, name, "PNG", reason);
    };
    FileBytes bytes;  // read, not mapped: libspng cannot be left by a jump
    const ReadStatus read = bytes.open(name, false, MAX_PNG_FILE);
    if (read != ReadStatus::ok) return unreadable(read_status_text(read));
    if (const char* what = not_a_png(bytes.data(), bytes.size())) {
        ImageProblem problem = unreadable(what);
        TargaHeader header;
        problem.other_format = other_format_name(check_targa_header(bytes.data(), bytes.size(), header));
        return problem;
    }
    std::unique_ptr<spng_ctx, ContextDeleter> ctx(spng_ctx_new(0));
    if (!ctx) return unreadable("out of memory");
    spng_ihdr ihdr{};
    int error = spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size());
    // libspng's own limit is the largest it takes; the sizes are checked here, in pixels.
    if (error == 0) error = spng_set_image_limits(ctx.get(), INT32_MAX, INT32_MAX);
    if (error == 0) error = spng_set_chunk_limits(ctx.get(), MAX_CHUNK_BYTES, MAX_CHUNK_BYTES);
    if (error == 0) error = spng_get_ihdr(ctx.get(), &ihdr);
    if (error != 0) return unreadable(png_refusal(error));
    if (ihdr.width > QFB_MAX_SIDE || ihdr.height > QFB_MAX_SIDE)
        return ImageProblem::of_file(ImageProblem::too_many_pixels, name, "PNG", "",
                                     uint64_t{ihdr.width} << 32 | ihdr.height);
    // The size is checked before the pixels are decoded or any room is allocated for them.
    const uint64_t pixel_bytes = uint64_t{ihdr.width} * ihdr.height * 4;
    if (pixel_bytes > max_bytes) return ImageProblem::of_file(ImageProblem::too_large, name, "PNG", "", pixel_bytes);
    image.width = static_cast<int32_t>(ihdr.width);
    image.height = static_cast<int32_t>(ihdr.height);
    image.bits_per_pixel = 32;
    image.pixels.assign(static_cast<size_t>(pixel_bytes), 0);
    error = spng_decode_image(ctx.get(), image.pixels.data(), image.pixels.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
    if (error != 0) return unreadable(png_refusal(error));
    // Red, green, blue, alpha becomes Targa's blue, green, red, alpha.
    for (size_t i = 0; i < image.pixels.size(); i += 4) std::swap(image.pixels[i], image.pixels[i + 2]);
    return {};
}
