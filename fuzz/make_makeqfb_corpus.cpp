// Writes the seed inputs of the fuzz_makeqfb target (layout in fuzz_makeqfb.cpp): small frame
// sets that convert (raw and run-length, both row orders, 24 and 32 bits, mipmaps, numbered
// frames, every format) and a few that must fail (size mismatch, cut-short level, 16 bits,
// a packet crossing its row). Usage:
//   make_makeqfb_corpus FOLDER          write every seed into FOLDER
//   make_makeqfb_corpus --check FOLDER  exit 1 unless every seed is in FOLDER unchanged
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/rle_encode.h"

namespace {

using Bytes = std::vector<uint8_t>;

enum Shape : uint8_t { ONE = 0, MIPMAPS = 1, FRAMES = 2, FRAMES_WITH_MIPMAP = 3 };
enum Format : uint8_t { F1555 = 0, F4444 = 1, F565 = 2 };

struct Image {
    int width, height, depth;
    bool rle;
    bool top_first;
    uint32_t seed;
};

void put_u16(Bytes& out, unsigned value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// Pixels with runs of equal neighbours now and then, so run-length rows get both packet kinds.
Bytes pixels(const Image& image)
{
    const size_t bpp = static_cast<size_t>(image.depth / 8);
    Bytes out(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * bpp);
    uint32_t state = image.seed * 2654435761u + 7u;
    for (size_t i = 0; i < out.size(); ++i) {
        if (i >= bpp && (i / bpp) % 5 < 2) {
            out[i] = out[i - bpp];
            continue;
        }
        state = state * 1664525u + 1013904223u;
        out[i] = static_cast<uint8_t>(state >> 24);
    }
    return out;
}

// A whole Targa file; id_length bytes of ID and a colour map of map_entries 24-bit entries
// come between the header and the pixels when asked for.
Bytes targa(const Image& image, int id_length = 0, int map_entries = 0)
{
    Bytes out;
    out.push_back(static_cast<uint8_t>(id_length));
    out.push_back(map_entries > 0 ? 1 : 0);
    out.push_back(image.rle ? 10 : 2);
    put_u16(out, 0);
    put_u16(out, static_cast<unsigned>(map_entries));
    out.push_back(map_entries > 0 ? 24 : 0);
    put_u16(out, 0);
    put_u16(out, 0);
    put_u16(out, static_cast<unsigned>(image.width));
    put_u16(out, static_cast<unsigned>(image.height));
    out.push_back(static_cast<uint8_t>(image.depth));
    out.push_back(static_cast<uint8_t>((image.top_first ? 0x20 : 0) | (image.depth == 32 ? 8 : 0)));
    out.insert(out.end(), static_cast<size_t>(id_length), 'i');
    out.insert(out.end(), static_cast<size_t>(map_entries) * 3, 0x5A);
    const Bytes all = pixels(image);
    const size_t bpp = static_cast<size_t>(image.depth / 8);
    const size_t row_bytes = static_cast<size_t>(image.width) * bpp;
    for (int r = 0; r < image.height; ++r) {
        const uint8_t* row = all.data() + row_bytes * static_cast<size_t>(image.top_first ? r : image.height - 1 - r);
        if (image.rle)
            qfbtest::append_rle_row(out, row, static_cast<size_t>(image.width), bpp);
        else
            out.insert(out.end(), row, row + row_bytes);
    }
    return out;
}

// One fuzz input: the selector byte, then every member with its length prefix.
Bytes input(Shape shape, Format format, int fps, const std::vector<Bytes>& members)
{
    Bytes out;
    out.push_back(static_cast<uint8_t>(shape | (format << 2) | ((fps - 1) << 4)));
    for (const Bytes& member : members) {
        put_u16(out, static_cast<unsigned>(member.size()));
        out.insert(out.end(), member.begin(), member.end());
    }
    return out;
}

struct Seed {
    const char* name;
    Bytes bytes;
};

std::vector<Seed> seeds()
{
    Bytes short_level = targa({4, 3, 24, false, false, 31});
    short_level.resize(short_level.size() - 5);
    Bytes crossing = targa({6, 2, 32, true, true, 41});
    crossing[18] = 0x86;  // the first packet becomes a run of 7 in a row of 6
    Bytes grey = targa({3, 2, 24, false, true, 51});
    grey[16] = 16;  // the same bytes read as 16-bit pixels (too many; extra bytes are ignored)
    return {
        {"one_raw24_top_565", input(ONE, F565, 15, {targa({6, 4, 24, false, true, 1})})},
        {"one_rle32_bottom_4444", input(ONE, F4444, 30, {targa({5, 3, 32, true, false, 2})})},
        {"one_raw24_id_and_colour_map_1555", input(ONE, F1555, 1, {targa({3, 3, 24, false, true, 3}, 5, 4)})},
        {"mipmaps_raw24_bottom_1555", input(MIPMAPS, F1555, 12, {targa({8, 6, 24, false, false, 4}),
                                                                 targa({4, 3, 24, false, false, 5}),
                                                                 targa({2, 1, 24, false, false, 6})})},
        {"mipmaps_rle32_top_down_to_1x0_565", input(MIPMAPS, F565, 16, {targa({5, 3, 32, true, true, 7}),
                                                                        targa({2, 1, 32, true, true, 8}),
                                                                        targa({1, 0, 32, true, true, 9})})},
        {"mipmaps_mixed24_4444_becomes_1555", input(MIPMAPS, F4444, 8, {targa({4, 4, 24, false, true, 10}),
                                                                        targa({2, 2, 24, true, false, 11}),
                                                                        targa({1, 1, 24, false, false, 12})})},
        {"frames_raw32_bottom_rle32_top_1555", input(FRAMES, F1555, 10, {targa({7, 2, 32, false, false, 13}),
                                                                         targa({7, 2, 32, true, true, 14})})},
        {"frames_rle24_bottom_565", input(FRAMES, F565, 24, {targa({9, 3, 24, true, false, 15}),
                                                             targa({9, 3, 24, true, false, 16})})},
        {"frames_from_0000_with_mipmaps_32_4444", input(FRAMES_WITH_MIPMAP, F4444, 4,
                                                        {targa({4, 2, 32, false, true, 17}), targa({2, 1, 32, true, false, 18}),
                                                         targa({4, 2, 32, true, true, 19}), targa({2, 1, 32, false, false, 20})})},
        {"fails_frames_of_different_sizes", input(FRAMES, F565, 15, {targa({7, 2, 24, false, true, 21}),
                                                                     targa({6, 2, 24, false, true, 22})})},
        {"fails_mipmap_cut_short", input(MIPMAPS, F565, 15, {targa({8, 6, 24, false, false, 30}), short_level})},
        {"fails_packet_crosses_row", input(FRAMES, F1555, 15, {targa({6, 2, 32, true, true, 40}), crossing})},
        {"fails_16_bits", input(ONE, F1555, 15, {grey})},
    };
}

bool read_file(const std::string& path, Bytes* bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 2 && !check) {
        std::printf("usage: make_makeqfb_corpus [--check] FOLDER\n");
        return 1;
    }
    const std::string folder = argv[argc - 1];
    int status = 0;
    for (const Seed& seed : seeds()) {
        const std::string path = folder + "/" + seed.name;
        if (check) {
            Bytes stored;
            if (!read_file(path, &stored) || stored != seed.bytes) {
                std::printf("seed %s is missing or out of date: run make_makeqfb_corpus %s\n", seed.name, folder.c_str());
                status = 1;
            }
            continue;
        }
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(seed.bytes.data()), static_cast<std::streamsize>(seed.bytes.size()));
        if (!out) {
            std::printf("cannot write %s\n", path.c_str());
            status = 1;
        }
    }
    return status;
}
