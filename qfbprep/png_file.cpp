// PNG input through libspng (see png_file.h). The file is read whole into memory, its header is
// checked against the limits before any pixel buffer is allocated, and libspng checks the rest.
#include "qfbprep/png_file.h"

#include <spng.h>

#include <cstdio>
#include <memory>

#include <qfb/qfb.h>

#include "driver/conversion_run.h"
#include "output/output_buffer.h"
#include "targa/binary_file.h"

namespace {

// A PNG file holds at most this many bytes: far more than an image makeqfb packs compresses to,
// and little enough to read whole.
constexpr long MAX_PNG_FILE = 64L << 20;
// Chunks beside the pixels (text, profiles) are skipped, but libspng keeps them: bound them.
constexpr size_t MAX_CHUNK_BYTES = 1 << 20;

struct ContextDeleter {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

void print_unreadable_png(const char* name, const char* reason)
{
    std::printf("Couldn't read PNG file %s: %s.\n", name, reason);
}

bool read_whole(const char* name, std::vector<uint8_t>& bytes)
{
    BinaryFile file;
    if (file.open(name, BinaryFile::READ) != 0) {
        print_unreadable_png(name, "cannot open the file");
        return false;
    }
    const long length = file.length();
    if (length < 0 || length > MAX_PNG_FILE) {
        print_unreadable_png(name, length < 0 ? "read failed" : "the file is larger than 64 MiB");
        return false;
    }
    bytes.assign(static_cast<size_t>(length), 0);
    file.read(bytes.data(), static_cast<int32_t>(length));
    if (file.has_error() || file.tell() != length) {
        print_unreadable_png(name, "read failed");
        return false;
    }
    return true;
}

}  // namespace

bool load_png(const char* name, Image& image)
{
    std::vector<uint8_t> bytes;
    if (!read_whole(name, bytes)) return false;
    std::unique_ptr<spng_ctx, ContextDeleter> ctx(spng_ctx_new(0));
    if (!ctx) {
        print_unreadable_png(name, "out of memory");
        return false;
    }
    spng_ihdr ihdr{};
    int error = spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size());
    if (error == 0) error = spng_set_image_limits(ctx.get(), QFB_MAX_SIDE, QFB_MAX_SIDE);
    if (error == 0) error = spng_set_chunk_limits(ctx.get(), MAX_CHUNK_BYTES, MAX_CHUNK_BYTES);
    if (error == 0) error = spng_get_ihdr(ctx.get(), &ihdr);
    if (error != 0) {
        print_unreadable_png(name, spng_strerror(error));
        return false;
    }
    // The size is checked before the pixels are decoded or any room is allocated for them.
    const uint64_t pixel_bytes = uint64_t{ihdr.width} * ihdr.height * 4;
    if (pixel_bytes > PIXEL_BUFFER_SIZE) {
        print_image_too_large(name, pixel_bytes);
        return false;
    }
    image.width = static_cast<int32_t>(ihdr.width);
    image.height = static_cast<int32_t>(ihdr.height);
    image.bits_per_pixel = 32;
    image.pixels.assign(static_cast<size_t>(pixel_bytes), 0);
    error = spng_decode_image(ctx.get(), image.pixels.data(), image.pixels.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
    if (error != 0) {
        print_unreadable_png(name, spng_strerror(error));
        return false;
    }
    // Red, green, blue, alpha becomes Targa's blue, green, red, alpha.
    for (size_t i = 0; i < image.pixels.size(); i += 4) std::swap(image.pixels[i], image.pixels[i + 2]);
    return true;
}
