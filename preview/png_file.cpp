// The PNG writer (see png_file.h).
#include "preview/png_file.h"

#include <zlib.h>

#include <spng.h>

#include <memory>

namespace {

struct SpngFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

// libspng hands the encoded bytes here as it makes them.
int write_to_file(spng_ctx*, void* user, void* data, size_t size)
{
    return static_cast<PictureFile*>(user)->write(data, size) ? 0 : SPNG_IO_ERROR;
}

}  // namespace

PictureResult write_png_rgb(const char* name, int64_t width, int64_t height, const std::vector<uint8_t>& rgb)
{
    PictureFile file(name);
    if (!file.created()) return PictureResult::cannot_create;
    const std::unique_ptr<spng_ctx, SpngFree> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (ctx == nullptr) return PictureResult::encoder_failed;
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(width);
    ihdr.height = static_cast<uint32_t>(height);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    if (spng_set_png_stream(ctx.get(), write_to_file, &file) != 0 || spng_set_ihdr(ctx.get(), &ihdr) != 0 ||
        spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, PNG_ZLIB_LEVEL) != 0 ||
        spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_STRATEGY, Z_RLE) != 0 ||
        spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_NONE | SPNG_FILTER_CHOICE_UP) != 0)
        return PictureResult::encoder_failed;
    const int encoded = spng_encode_image(ctx.get(), rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    if (encoded == SPNG_IO_ERROR) return PictureResult::write_failed;
    if (encoded != 0) return PictureResult::encoder_failed;
    return file.commit();
}
