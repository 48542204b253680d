// Writes the seed inputs of the fuzz_aseprite target with the tests' Aseprite writer: small
// sprites in each colour mode, with the old and new palettes, layers in groups (composited apart
// or not), opacity, linked and raw cels, cels past the canvas, tags of each direction, chunks
// that are skipped, and a few refused features. Usage: make_aseprite_corpus FOLDER
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/aseprite_writer.h"

namespace {

using namespace qfbtest;

Bytes pixels(size_t count, size_t bytes_per_pixel, uint32_t seed)
{
    Bytes out;
    for (size_t i = 0; i < count * bytes_per_pixel; ++i) {
        seed = seed * 1103515245 + 12345;
        // Indexed pixels within the seeds' palettes of 4 colours.
        out.push_back(static_cast<uint8_t>(bytes_per_pixel == 1 ? seed >> 16 & 3 : seed >> 16));
    }
    return out;
}

Bytes cel(uint16_t layer, uint16_t width, uint16_t height, size_t bytes_per_pixel, int16_t x = 0, int16_t y = 0,
          uint8_t opacity = 255, bool raw = false)
{
    return ase_image_cel(layer, width, height, pixels(size_t{width} * height, bytes_per_pixel, layer * 31u + width), x, y,
                         opacity, raw);
}

Bytes sprite(uint16_t depth, uint32_t flags, std::vector<AseFrame> frames)
{
    return ase_sprite(4, 3, depth, std::move(frames), flags);
}

std::vector<std::pair<const char*, Bytes>> seeds()
{
    const Bytes palette = ase_palette(4, 0, {{0, 0, 0, 0}, {255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 255}});
    const Bytes tags = ase_tags({{0, 2, 0, "walk"}, {0, 2, 1, "back"}, {0, 2, 2, "swing"}, {1, 2, 3, "swing back"}});
    return {
        {"rgba_layers", sprite(32, 1, {{100, {ase_layer({"bg", 1 | 8}), ase_layer({"top", 1, 0, 0, 0, 128}),
                                              cel(0, 4, 3, 4), cel(1, 2, 2, 4, 1, 1, 200)}}})},
        {"grayscale", sprite(16, 1, {{80, {ase_layer({"a"}), cel(0, 3, 3, 2, -1, 1)}}})},
        {"indexed", sprite(8, 1, {{100, {palette, ase_layer({"a"}), cel(0, 4, 3, 1)}}})},
        {"indexed_old_palettes",
         sprite(8, 0, {{100, {ase_old_palette({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}),
                              ase_old_palette({{63, 0, 9}}, true), ase_layer({"bg", 1 | 8}),
                              cel(0, 4, 3, 1, 0, 0, 255, true)}}})},
        {"groups_apart", sprite(32, 1 | 2, {{100, {ase_layer({"g", 1, 1, 0, 0, 100}), ase_layer({"a", 1, 0, 1}),
                                                   ase_layer({"h", 0, 1, 1}), ase_layer({"b", 1, 0, 2}),
                                                   cel(1, 4, 3, 4), cel(3, 2, 3, 4, 2, 0)}}})},
        {"linked_and_tags", sprite(32, 1, {{100, {ase_layer({"a"}), cel(0, 2, 2, 4), tags, ase_user_data("run")}},
                                           {50, {ase_linked_cel(0, 0)}},
                                           {0, {cel(0, 5, 4, 4, -1, -1)}}})},
        {"skipped_chunks", sprite(32, 1, {{100, {ase_colour_profile(1, 0, 0), ase_external_file(2, "x/y"),
                                                 ase_layer({"a"}), cel(0, 1, 1, 4), ase_cel_extra(0),
                                                 ase_chunk(0x2022, {0, 0, 0, 0}), ase_chunk(0x2023, {})}}})},
        {"blend_mode", sprite(32, 1, {{100, {ase_layer({"glow", 1, 0, 0, 2}), cel(0, 1, 1, 4)}}})},
        {"tilemap_layer", sprite(32, 1, {{100, {ase_layer({"map", 1, 2})}}})},
    };
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::printf("usage: make_aseprite_corpus FOLDER\n");
        return 1;
    }
    for (const auto& [name, bytes] : seeds()) {
        std::ofstream out(std::string(argv[1]) + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            std::printf("cannot write %s\n", name);
            return 1;
        }
    }
    return 0;
}
