// Aseprite files for the tests, laid out as the Aseprite file format description gives them.
#include "tests/support/aseprite_writer.h"

#include <zlib.h>

#include <stdexcept>
#include <utility>

namespace qfbtest {
namespace {

void u8(Bytes& out, unsigned v) { out.push_back(static_cast<uint8_t>(v)); }
void u16(Bytes& out, unsigned v)
{
    u8(out, v & 0xFF);
    u8(out, (v >> 8) & 0xFF);
}
void u32(Bytes& out, uint32_t v)
{
    u16(out, v & 0xFFFF);
    u16(out, v >> 16);
}
void zeros(Bytes& out, size_t n) { out.insert(out.end(), n, 0); }
void text(Bytes& out, const std::string& s)
{
    u16(out, static_cast<unsigned>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}
void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

}  // namespace

Bytes ase_chunk(uint16_t type, const Bytes& data)
{
    Bytes out;
    u32(out, static_cast<uint32_t>(data.size() + 6));
    u16(out, type);
    append(out, data);
    return out;
}

Bytes ase_layer(const AseLayer& layer)
{
    Bytes d;
    u16(d, layer.flags);
    u16(d, layer.type);
    u16(d, layer.level);
    u16(d, 0);
    u16(d, 0);
    u16(d, layer.blend_mode);
    u8(d, layer.opacity);
    zeros(d, 3);
    text(d, layer.name);
    if (layer.type == 2) u32(d, 0);  // tileset index
    return ase_chunk(0x2004, d);
}

Bytes ase_deflate(const Bytes& bytes)
{
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), 9) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

namespace {

Bytes cel_head(uint16_t layer, int16_t x, int16_t y, uint8_t opacity, uint16_t type, int16_t z_index)
{
    Bytes d;
    u16(d, layer);
    u16(d, static_cast<uint16_t>(x));
    u16(d, static_cast<uint16_t>(y));
    u8(d, opacity);
    u16(d, type);
    u16(d, static_cast<uint16_t>(z_index));
    zeros(d, 5);
    return d;
}

}  // namespace

Bytes ase_cel(const AseCel& cel)
{
    const uint16_t type = cel.type != 0xFFFF ? cel.type : cel.raw ? 0 : 2;
    Bytes d = cel_head(cel.layer, cel.x, cel.y, cel.opacity, type, cel.z_index);
    if (type == 0 || type == 2) {
        u16(d, cel.width);
        u16(d, cel.height);
    }
    append(d, cel.type == 0xFFFF && type == 2 ? ase_deflate(cel.pixels) : cel.pixels);
    return ase_chunk(0x2005, d);
}

Bytes ase_image_cel(uint16_t layer, uint16_t width, uint16_t height, Bytes pixels, int16_t x, int16_t y, uint8_t opacity,
                    bool raw)
{
    AseCel cel;
    cel.layer = layer;
    cel.x = x;
    cel.y = y;
    cel.opacity = opacity;
    cel.width = width;
    cel.height = height;
    cel.pixels = std::move(pixels);
    cel.raw = raw;
    return ase_cel(cel);
}

Bytes ase_linked_cel(uint16_t layer, uint16_t frame)
{
    Bytes d = cel_head(layer, 0, 0, 255, 1, 0);
    u16(d, frame);
    return ase_chunk(0x2005, d);
}

Bytes ase_palette(uint32_t size, uint32_t first, const std::vector<std::array<uint8_t, 4>>& colours)
{
    Bytes d;
    u32(d, size);
    u32(d, first);
    u32(d, first + static_cast<uint32_t>(colours.size()) - 1);
    zeros(d, 8);
    for (const auto& c : colours) {
        u16(d, 0);
        d.insert(d.end(), c.begin(), c.end());
    }
    return ase_chunk(0x2019, d);
}

Bytes ase_old_palette(const std::vector<std::array<uint8_t, 3>>& colours, bool six_bit)
{
    Bytes d;
    u16(d, 1);
    u8(d, 0);
    u8(d, colours.size() == 256 ? 0 : static_cast<unsigned>(colours.size()));
    for (const auto& c : colours) d.insert(d.end(), c.begin(), c.end());
    return ase_chunk(six_bit ? 0x0011 : 0x0004, d);
}

Bytes ase_tags(const std::vector<AseTag>& tags)
{
    Bytes d;
    u16(d, static_cast<unsigned>(tags.size()));
    zeros(d, 8);
    for (const AseTag& tag : tags) {
        u16(d, tag.from);
        u16(d, tag.to);
        u8(d, tag.direction);
        u16(d, 0);
        zeros(d, 6 + 3 + 1);
        text(d, tag.name);
    }
    return ase_chunk(0x2018, d);
}

Bytes ase_cel_extra(uint32_t flags)
{
    Bytes d;
    u32(d, flags);
    zeros(d, 16 + 16);
    return ase_chunk(0x2006, d);
}

Bytes ase_colour_profile(uint16_t type, uint16_t flags, uint32_t gamma)
{
    Bytes d;
    u16(d, type);
    u16(d, flags);
    u32(d, gamma);
    zeros(d, 8);
    if (type == 2) {
        u32(d, 4);
        zeros(d, 4);
    }
    return ase_chunk(0x2007, d);
}

Bytes ase_external_file(uint8_t type, const std::string& name)
{
    Bytes d;
    u32(d, 1);
    zeros(d, 8);
    u32(d, 1);
    u8(d, type);
    zeros(d, 7);
    text(d, name);
    return ase_chunk(0x2008, d);
}

Bytes ase_user_data(const std::string& words)
{
    Bytes d;
    u32(d, 1);
    text(d, words);
    return ase_chunk(0x2020, d);
}

Bytes AseSprite::to_bytes() const
{
    Bytes body;
    for (const AseFrame& frame : frames) {
        Bytes chunks;
        for (const Bytes& chunk : frame.chunks) append(chunks, chunk);
        u32(body, static_cast<uint32_t>(chunks.size() + 16));
        u16(body, 0xF1FA);
        u16(body, frame.chunks.size() < 0xFFFF ? static_cast<unsigned>(frame.chunks.size()) : 0xFFFF);
        u16(body, frame.duration);
        zeros(body, 2);
        u32(body, static_cast<uint32_t>(frame.chunks.size()));
        append(body, chunks);
    }
    Bytes out;
    u32(out, static_cast<uint32_t>(body.size() + 128));
    u16(out, 0xA5E0);
    u16(out, header_frames < 0 ? static_cast<unsigned>(frames.size()) : static_cast<unsigned>(header_frames));
    u16(out, width);
    u16(out, height);
    u16(out, depth);
    u32(out, flags);
    u16(out, speed);
    zeros(out, 8);
    u8(out, transparent_index);
    zeros(out, 3);
    u16(out, 0);  // number of colours
    u8(out, 1);   // pixel width and height
    u8(out, 1);
    zeros(out, 8);  // grid
    zeros(out, 84);
    append(out, body);
    return out;
}

}  // namespace qfbtest

namespace qfbtest {

Bytes ase_sprite(uint16_t width, uint16_t height, uint16_t depth, std::vector<AseFrame> frames, uint32_t flags,
                 uint8_t transparent_index)
{
    AseSprite sprite;
    sprite.width = width;
    sprite.height = height;
    sprite.depth = depth;
    sprite.flags = flags;
    sprite.transparent_index = transparent_index;
    sprite.frames = std::move(frames);
    return sprite.to_bytes();
}

}  // namespace qfbtest
