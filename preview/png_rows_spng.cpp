// The sheet's PNG file written row by row through libspng (see png_rows.h): level 9 with each
// row's filter chosen among all five for a small picture, stored and unfiltered for a large one.
#include "png_rows.h"

#include <spng.h>
#include <zlib.h>

struct PngRows::Encoder {
    spng_ctx* ctx = nullptr;
    ~Encoder() { spng_ctx_free(ctx); }
};

namespace {

// libspng hands the encoded bytes here as it makes them.
int write_to_file(spng_ctx*, void* user, void* data, size_t size)
{
    return static_cast<AtomicFile*>(user)->write(data, size) ? 0 : SPNG_IO_ERROR;
}

}  // namespace

PngRows::PngRows(const char* name, int64_t width, int64_t height)
    : encoder_(new Encoder), row_size_(static_cast<size_t>(width) * 3), rows_left_(height)
{
    failure_ = file_.create(name);
    if (failure_ != WriteStatus::ok) return;
    spng_ctx*& ctx = encoder_->ctx;
    ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(width);
    ihdr.height = static_cast<uint32_t>(height);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    const bool small = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= PNG_SMALL_PIXELS;
    if (ctx == nullptr || spng_set_png_stream(ctx, write_to_file, &file_) != 0 || spng_set_ihdr(ctx, &ihdr) != 0 ||
        spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, small ? Z_BEST_COMPRESSION : Z_NO_COMPRESSION) != 0 ||
        spng_set_option(ctx, SPNG_FILTER_CHOICE, small ? SPNG_FILTER_CHOICE_ALL : SPNG_DISABLE_FILTERING) != 0 ||
        spng_encode_image(ctx, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE) != 0)
        failure_ = WriteStatus::encoder_failed;
}

PngRows::~PngRows() = default;

bool PngRows::row(const uint8_t* rgb)
{
    if (failure_ != WriteStatus::ok) return false;
    const int result = spng_encode_row(encoder_->ctx, rgb, row_size_);
    --rows_left_;
    // The last row finishes the file (SPNG_EOI). A write that failed is told by the file, with its reason.
    if (result != 0 && result != SPNG_EOI) failure_ = result == SPNG_IO_ERROR ? file_.close() : WriteStatus::encoder_failed;
    return failure_ == WriteStatus::ok;
}

WriteStatus PngRows::finish()
{
    if (failure_ == WriteStatus::ok && rows_left_ != 0) failure_ = WriteStatus::encoder_failed;
    return failure_ != WriteStatus::ok ? failure_ : file_.commit();
}
