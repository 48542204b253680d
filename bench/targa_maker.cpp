// Synthetic Targa files for the benchmarks (see targa_maker.h).
#include "bench/targa_maker.h"

#include "tests/support/rle_encode.h"

#include <cstdio>
#include <memory>

namespace qfbbench {

namespace {

uint32_t next_random(uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

void put_u16(Bytes& out, int32_t value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

Bytes make_pixels(const TargaShape& shape, uint32_t seed)
{
    const size_t bytes = static_cast<size_t>(shape.bits / 8);
    const size_t count = static_cast<size_t>(shape.width) * static_cast<size_t>(shape.height);
    Bytes pixels(count * bytes);
    uint32_t state = seed * 2654435761u + 1;  // never 0, which xorshift would keep
    size_t i = 0;
    while (i < count) {
        const uint32_t value = next_random(state);
        const size_t run = 1 + (next_random(state) & 15);
        for (size_t k = 0; k < run && i < count; ++k, ++i)
            for (size_t b = 0; b < bytes; ++b) pixels[i * bytes + b] = static_cast<uint8_t>(value >> (8 * b));
    }
    return pixels;
}

Bytes encode_targa(const TargaShape& shape, const Bytes& pixels)
{
    const size_t bytes = static_cast<size_t>(shape.bits / 8);
    const size_t width = static_cast<size_t>(shape.width);
    const size_t height = static_cast<size_t>(shape.height);
    const size_t row_bytes = width * bytes;
    Bytes out = {0, 0, static_cast<uint8_t>(shape.rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put_u16(out, shape.width);
    put_u16(out, shape.height);
    out.push_back(static_cast<uint8_t>(shape.bits));
    out.push_back(static_cast<uint8_t>((shape.bits == 32 ? 8 : 0) | (shape.top_first ? 0x20 : 0)));
    out.reserve(out.size() + pixels.size() + (shape.rle ? width * height : 0));
    for (size_t r = 0; r < height; ++r) {
        const uint8_t* row = pixels.data() + (shape.top_first ? r : height - 1 - r) * row_bytes;
        if (shape.rle)
            qfbtest::append_rle_row(out, row, width, bytes);
        else
            out.insert(out.end(), row, row + row_bytes);
    }
    return out;
}

bool write_file(const std::string& path, const Bytes& bytes)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), bytes.size(), 1, file.get()) != 1) return false;
    return std::fclose(file.release()) == 0;
}

}  // namespace qfbbench
