// The PNG writer (see png_writer.h).
#include "png_writer.h"

#include <zlib.h>

#include <spng.h>

namespace {

// libspng hands the encoded bytes here as it makes them.
int write_to_file(spng_ctx*, void* user, void* data, size_t size)
{
    return static_cast<AtomicFile*>(user)->write(data, size) ? 0 : SPNG_IO_ERROR;
}

}  // namespace

PngRows::PngRows(const char* name, int64_t width, int64_t height)
    : row_size_(static_cast<size_t>(width) * 3), rows_left_(height)
{
    failure_ = file_.create(name);
    if (failure_ != WriteStatus::ok) return;
    ctx_ = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(width);
    ihdr.height = static_cast<uint32_t>(height);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    const bool small = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= PNG_SMALL_PIXELS;
    if (ctx_ == nullptr || spng_set_png_stream(ctx_, write_to_file, &file_) != 0 || spng_set_ihdr(ctx_, &ihdr) != 0 ||
        spng_set_option(ctx_, SPNG_IMG_COMPRESSION_LEVEL, small ? Z_BEST_COMPRESSION : Z_NO_COMPRESSION) != 0 ||
        spng_set_option(ctx_, SPNG_FILTER_CHOICE, small ? SPNG_FILTER_CHOICE_ALL : SPNG_DISABLE_FILTERING) != 0 ||
        spng_encode_image(ctx_, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE) != 0)
        failure_ = WriteStatus::encoder_failed;
}

PngRows::~PngRows() { spng_ctx_free(ctx_); }

bool PngRows::row(const uint8_t* rgb)
{
    if (failure_ != WriteStatus::ok) return false;
    const int result = spng_encode_row(ctx_, rgb, row_size_);
    --rows_left_;
    // The last row finishes the file (SPNG_EOI).
    if (result != 0 && result != SPNG_EOI) failure_ = result == SPNG_IO_ERROR ? WriteStatus::write_failed : WriteStatus::encoder_failed;
    return failure_ == WriteStatus::ok;
}

WriteStatus PngRows::finish()
{
    if (failure_ == WriteStatus::ok && rows_left_ != 0) failure_ = WriteStatus::encoder_failed;
    return failure_ != WriteStatus::ok ? failure_ : file_.commit();
}
