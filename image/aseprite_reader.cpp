// The Aseprite reader's entry point: parse, check what is drawn, composite. The format facts it
// relies on, from the Aseprite file format description (all numbers little-endian):
//
// - Header, 128 bytes: DWORD file size, WORD magic 0xA5E0, WORD frames, WORD width, WORD height,
//   WORD colour depth (32 RGBA, 16 grayscale, 8 indexed), DWORD flags (1 layer opacity is valid,
//   2 groups are composited apart with their blend mode and opacity, 4 layers carry a UUID),
//   WORD speed (a frame's duration when its own is 0), 8 zero bytes, BYTE transparent index
//   (indexed sprites, in every layer but the background), then fields of no use here.
// - Each frame: DWORD bytes in the frame (its 16-byte header included), WORD magic 0xF1FA, WORD
//   chunk count (0xFFFF: see the new count), WORD duration in ms, 2 bytes, DWORD new chunk count
//   (used when not 0). Each chunk: DWORD size (its 6-byte header included), WORD type, data.
// - Layer (0x2004): WORD flags (1 visible, 8 background, 64 reference), WORD type (0 image,
//   1 group, 2 tilemap), WORD child level, 2 WORDs ignored, WORD blend mode (0 normal), BYTE
//   opacity, 3 bytes, STRING name, [DWORD tileset index for a tilemap], [16-byte UUID]. Layers
//   are numbered in the order of their chunks, bottom first; a group's chunk comes before its
//   children, whose child level is one more.
// - Cel (0x2005): WORD layer, SHORT x, SHORT y, BYTE opacity, WORD type (0 raw, 1 linked,
//   2 zlib-compressed, 3 compressed tilemap), SHORT z-index, 5 bytes; raw and compressed: WORD
//   width, WORD height, pixels row by row, top first (RGBA: 4 bytes R G B A; grayscale: 2 bytes
//   value, alpha; indexed: 1 byte); linked: WORD frame whose cel of the same layer it shows.
// - Cel extra (0x2006), after a cel: DWORD flags (1: precise bounds, the cel scaled to them).
// - Colour profile (0x2007): WORD type (0 none, 1 sRGB, 2 embedded ICC), WORD flags (1: a fixed
//   gamma), FIXED gamma.
// - External files (0x2008): DWORD count, 8 bytes, each: DWORD id, BYTE type (0 palette,
//   1 tileset, 2 and 3 extension names), 7 bytes, STRING name.
// - Tags (0x2018): WORD count, 8 bytes, each: WORD from, WORD to, BYTE direction (0 forward,
//   1 reverse, 2 ping-pong, 3 ping-pong reverse), WORD repeat, 6 bytes, 3 bytes colour, 1 byte,
//   STRING name.
// - Palette (0x2019): DWORD new size, DWORD first, DWORD last index changed, 8 bytes, each entry:
//   WORD flags (1: has a name), BYTE R, G, B, A, [STRING name]. The old palette chunks (0x0004
//   with 8-bit, 0x0011 with 6-bit values) are ignored in a file that has this one: WORD packets,
//   each BYTE entries to skip, BYTE colours (0 means 256), 3 bytes a colour.
// - Neither pixels nor their order depend on the mask (0x2016, deprecated), path (0x2017), user
//   data (0x2020: text, a colour, properties), slice (0x2022: named rectangles, 9-patch centres,
//   pivots) and tileset (0x2023: used only by tilemap layers, which are refused) chunks: they are
//   skipped. A chunk type the description does not list is refused.
#include "aseprite_reader.h"

#include <new>

#include "aseprite_parts.h"

namespace {

AsepriteOutcome read_sprite(const uint8_t* data, size_t size, AsepriteSprite& result)
{
    aseprite::Sprite sprite;
    AsepriteOutcome outcome = aseprite::parse_sprite(data, size, sprite);
    if (outcome.ok()) outcome = aseprite::check_layers(sprite);
    std::vector<int32_t> link_target;
    if (outcome.ok()) outcome = aseprite::check_cels(sprite, link_target);
    if (outcome.ok()) outcome = aseprite::composite_frames(sprite, link_target, result.animation);
    if (outcome.ok()) result.tags = std::move(sprite.tags);
    return outcome;
}

}  // namespace

AsepriteOutcome read_aseprite(const uint8_t* data, size_t size, AsepriteSprite& sprite)
{
    sprite = AsepriteSprite{};
    AsepriteOutcome outcome;
    try {
        outcome = read_sprite(data, size, sprite);
    } catch (const std::bad_alloc&) {
        outcome = aseprite::problem(AsepriteProblem::out_of_memory);
    }
    if (!outcome.ok()) sprite = AsepriteSprite{};
    return outcome;
}
