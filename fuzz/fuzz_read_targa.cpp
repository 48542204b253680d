// libFuzzer target for the Targa decoder: each input is a whole file's bytes in memory (a buffer of
// exactly its size, so a read past the end is caught), run through the header check, the loading
// checks (with and without a palette, into the tool's 2 MiB buffer and into an exact-size one) and
// the decoder, and also fed to decode_rle_row as one row of packets. Besides memory errors it
// stops on broken promises: an image is loaded only when it fits, and a row's decoder never says
// it consumed more than it was given.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "targa.h"

namespace {

constexpr size_t PIXEL_BUFFER = 2097152;  // makeqfb's load buffer
uint8_t pixel_buffer[PIXEL_BUFFER];
uint8_t palette[TARGA_PALETTE_BYTES];

void check(bool promise)
{
    if (!promise) std::abort();
}

void fuzz_file(const uint8_t* data, size_t size)
{
    TargaHeader header;
    if (check_targa_header(data, size, header) != TargaError::none) return;
    for (uint8_t* map : {static_cast<uint8_t*>(nullptr), palette}) {
        TargaImage image;
        if (locate_targa_pixels(data, size, header, PIXEL_BUFFER, map, image) != TargaError::none) continue;
        check(image.image_bytes <= PIXEL_BUFFER);
        decode_targa(image, pixel_buffer);
        // Again into a buffer of exactly the image's size, so a write past the image is caught.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[image.image_bytes + 1]);
        decode_targa(image, exact.get());
    }
}

// The bytes as one row of packets: the first two give the pixel count, the third the depth.
void fuzz_rle_row(const uint8_t* data, size_t size)
{
    if (size < 3) return;
    const size_t pixel_count = data[0] | size_t{data[1]} << 8;
    const int bytes_per_pixel = data[2] % 4 + 1;
    std::unique_ptr<uint8_t[]> row(new uint8_t[pixel_count * static_cast<size_t>(bytes_per_pixel)]);
    size_t consumed = size;
    if (decode_rle_row(row.get(), data + 3, size - 3, pixel_count, bytes_per_pixel, consumed) == TargaError::none)
        check(consumed <= size - 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy: libFuzzer's own buffer is, a replay's vector may not be.
    std::vector<uint8_t> bytes(data, data + size);
    bytes.shrink_to_fit();
    fuzz_file(bytes.data(), bytes.size());
    fuzz_rle_row(bytes.data(), bytes.size());
    return 0;
}
