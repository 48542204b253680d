// Rows into their place (see row_sink.h), on the format library's encoder.
#include "row_sink.h"

#include <qfb/qfb.h>

void RowSink::put(const uint8_t* rows, int32_t top_row, int32_t count) const
{
    if (count <= 0) return;
    // Cannot fail: the pixel size and the format are checked by the caller, and the place is the layout's.
    (void)qfb_encode_pixels(rows, width * static_cast<size_t>(count), bytes_per_pixel, format,
                            place + static_cast<size_t>(top_row) * width * 2);
}

void RowSink::put_row(const uint8_t* row, int32_t top_row, void* context)
{
    static_cast<const RowSink*>(context)->put(row, top_row, 1);
}

void put_image(const Image& image, int32_t format, uint8_t* place)
{
    if (image.pixels.empty()) return;  // no pixels at all
    const RowSink sink{place, static_cast<size_t>(image.width), image.bytes_per_pixel(), format};
    sink.put(image.pixels.data(), 0, image.height);
}
