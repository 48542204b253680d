// Aseprite files written for the tests and the fuzz seeds, field by field from the Aseprite file
// format description: the header, frames of chunks, and the chunks the reader takes. Any field
// can be set to a value the reader must refuse; a chunk can also be given as raw bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qfbtest {

using Bytes = std::vector<uint8_t>;

struct AseLayer {
    std::string name;
    uint16_t flags = 1;  // 1 visible, 8 background, 64 reference
    uint16_t type = 0;   // 0 image, 1 group, 2 tilemap
    uint16_t level = 0;  // groups above it
    uint16_t blend_mode = 0;
    uint8_t opacity = 255;
};

struct AseCel {
    uint16_t layer = 0;
    int16_t x = 0, y = 0;
    uint8_t opacity = 255;
    uint16_t width = 0, height = 0;
    Bytes pixels;        // width x height pixels, row by row, in the sprite's colour mode
    bool raw = false;    // stored raw (type 0) instead of compressed with zlib (type 2)
    int16_t z_index = 0;
    uint16_t type = 0xFFFF;  // when set, this type, with pixels as the data as they are
};

struct AseTag {
    uint16_t from = 0, to = 0;
    uint8_t direction = 0;  // 0 forward, 1 reverse, 2 ping-pong, 3 ping-pong reverse
    std::string name;
};

// A whole chunk: size, type, data.
Bytes ase_chunk(uint16_t type, const Bytes& data);
Bytes ase_layer(const AseLayer& layer);
Bytes ase_cel(const AseCel& cel);
// A cel of width x height pixels at (x, y), compressed, or raw when raw is true.
Bytes ase_image_cel(uint16_t layer, uint16_t width, uint16_t height, Bytes pixels, int16_t x = 0, int16_t y = 0,
                    uint8_t opacity = 255, bool raw = false);
Bytes ase_linked_cel(uint16_t layer, uint16_t frame);
// The palette chunk: size entries, those from first on given (red, green, blue, alpha).
Bytes ase_palette(uint32_t size, uint32_t first, const std::vector<std::array<uint8_t, 4>>& colours);
// An old palette chunk (0x0004, or 0x0011 with 6-bit values): one packet from entry 0.
Bytes ase_old_palette(const std::vector<std::array<uint8_t, 3>>& colours, bool six_bit = false);
Bytes ase_tags(const std::vector<AseTag>& tags);
// Cel extra with precise bounds, colour profile, external files (one entry), user data (text).
Bytes ase_cel_extra(uint32_t flags);
Bytes ase_colour_profile(uint16_t type, uint16_t flags, uint32_t gamma);
Bytes ase_external_file(uint8_t type, const std::string& name);
Bytes ase_user_data(const std::string& text);

// zlib's compression of bytes.
Bytes ase_deflate(const Bytes& bytes);

struct AseFrame {
    uint16_t duration = 100;
    std::vector<Bytes> chunks;
};

struct AseSprite {
    uint16_t width = 2, height = 1;
    uint16_t depth = 32;  // 32 RGBA, 16 grayscale, 8 indexed
    uint32_t flags = 1;   // 1 layer opacity valid, 2 groups composited apart, 4 layers have a UUID
    uint16_t speed = 100;
    uint8_t transparent_index = 0;
    std::vector<AseFrame> frames;
    // The frame count the header gives; the number of frames when negative.
    int32_t header_frames = -1;

    Bytes to_bytes() const;
};

// The bytes of a sprite of these frames.
Bytes ase_sprite(uint16_t width, uint16_t height, uint16_t depth, std::vector<AseFrame> frames, uint32_t flags = 1,
                 uint8_t transparent_index = 0);

}  // namespace qfbtest
