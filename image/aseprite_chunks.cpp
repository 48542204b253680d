// The Aseprite file's structure: the header, the frames and their chunks, read into a Sprite
// with every size checked against the room left before it is used (64-bit sums), and the
// layer, cel, cel extra, colour profile and external files chunks. No pixel is decoded here.
#include <utility>

#include "aseprite_parts.h"

namespace aseprite {
namespace {

constexpr size_t HEADER_BYTES = 128;
constexpr size_t FRAME_HEADER_BYTES = 16;
constexpr size_t CHUNK_HEADER_BYTES = 6;
constexpr uint16_t FILE_MAGIC = 0xA5E0;
constexpr uint16_t FRAME_MAGIC = 0xF1FA;
constexpr size_t UUID_BYTES = 16;

AsepriteOutcome parse_header(const uint8_t* data, size_t size, Sprite& sprite, size_t& end, uint16_t& speed)
{
    if (size < HEADER_BYTES) return problem(AsepriteProblem::too_short);
    Fields header(data, HEADER_BYTES);
    const uint32_t file_size = header.u32();
    const uint16_t magic = header.u16();
    if (magic != FILE_MAGIC) return problem(AsepriteProblem::not_aseprite, {}, magic);
    if (file_size < HEADER_BYTES) return problem(AsepriteProblem::bad_file_size, {}, file_size);
    if (file_size > size) return problem(AsepriteProblem::cut_short, {}, file_size, static_cast<int64_t>(size));
    end = file_size;  // bytes past the size the header gives are not the sprite's
    sprite.frames = header.u16();
    sprite.width = header.u16();
    sprite.height = header.u16();
    const uint16_t depth = header.u16();
    sprite.flags = header.u32();
    speed = header.u16();
    header.skip(8);
    sprite.transparent_index = header.u8();
    if (sprite.frames == 0) return problem(AsepriteProblem::no_frames);
    if (sprite.width == 0 || sprite.height == 0)
        return problem(AsepriteProblem::empty_canvas, {}, sprite.width, sprite.height);
    if (depth != 8 && depth != 16 && depth != 32) return problem(AsepriteProblem::bad_colour_depth, {}, depth);
    sprite.mode = static_cast<ColourMode>(depth);
    // The limits, before anything is allocated for the frames.
    const uint64_t canvas = uint64_t{sprite.width} * sprite.height * 4;
    if (canvas > MAX_CANVAS_BYTES)
        return problem(AsepriteProblem::canvas_too_large, {}, static_cast<int64_t>(canvas), MAX_CANVAS_BYTES);
    if (canvas * sprite.frames > MAX_SPRITE_BYTES)
        return problem(AsepriteProblem::animation_too_large, {}, static_cast<int64_t>(canvas * sprite.frames),
                       MAX_SPRITE_BYTES);
    return {};
}

AsepriteOutcome parse_layer(Fields& fields, uint32_t frame, Sprite& sprite)
{
    Layer layer;
    layer.flags = fields.u16();
    layer.type = fields.u16();
    const uint16_t level = fields.u16();
    fields.skip(4);  // default width and height
    layer.blend_mode = fields.u16();
    const uint8_t opacity = fields.u8();
    if (sprite.flags & LAYER_OPACITY_VALID) layer.opacity = opacity;
    fields.skip(3);
    layer.name = fields.string();
    if (layer.type == TILEMAP_LAYER) fields.skip(4);  // tileset index
    if (sprite.flags & LAYERS_HAVE_UUID) fields.skip(UUID_BYTES);
    if (!fields.ok()) return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, LAYER);
    if (layer.type > TILEMAP_LAYER)
        return problem_at(AsepriteProblem::unknown_layer_type, frame, std::move(layer.name), layer.type);
    // The parent is the last layer one level up: it must be a group, and a level can only go one
    // deeper than the layer before.
    if (level > 0) {
        int32_t parent = static_cast<int32_t>(sprite.layers.size()) - 1;
        while (parent >= 0 && sprite.layers[static_cast<size_t>(parent)].depth >= level)
            parent = sprite.layers[static_cast<size_t>(parent)].parent;
        if (parent < 0 || sprite.layers[static_cast<size_t>(parent)].depth != level - 1u ||
            sprite.layers[static_cast<size_t>(parent)].type != GROUP_LAYER)
            return problem_at(AsepriteProblem::bad_layer_nesting, frame, std::move(layer.name));
        layer.parent = parent;
    }
    layer.depth = level;
    if (level > MAX_GROUP_DEPTH)
        return problem_at(AsepriteProblem::groups_too_deep, frame, std::move(layer.name), level, MAX_GROUP_DEPTH);
    sprite.layers.push_back(std::move(layer));
    return {};
}

AsepriteOutcome parse_cel(Fields& fields, uint32_t frame, Sprite& sprite)
{
    Cel cel;
    cel.frame = frame;
    cel.layer = fields.u16();
    cel.x = fields.s16();
    cel.y = fields.s16();
    cel.opacity = fields.u8();
    cel.type = fields.u16();
    cel.z_index = fields.s16();
    fields.skip(5);
    if (cel.type == LINKED_CEL) {
        cel.link_frame = fields.u16();
    } else if (cel.type == RAW_CEL || cel.type == COMPRESSED_CEL) {
        cel.width = fields.u16();
        cel.height = fields.u16();
    } else if (cel.type == TILEMAP_CEL) {
        fields.skip(32);  // size in tiles, bits per tile, masks, reserved: never decoded
    }
    if (!fields.ok()) return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, CEL);
    cel.data = fields.here();
    cel.size = fields.left();
    sprite.cels.push_back(cel);  // the layer and the type are checked once every layer is known
    return {};
}

AsepriteOutcome parse_cel_extra(Fields& fields, uint32_t frame, Sprite& sprite, bool follows_cel)
{
    const uint32_t flags = fields.u32();
    if (!fields.ok()) return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, CEL_EXTRA);
    if (follows_cel && (flags & 1)) sprite.cels.back().precise_bounds = true;
    return {};
}

// Stored values are drawn as sRGB: a profile that gives them another meaning is refused.
AsepriteOutcome parse_colour_profile(Fields& fields, uint32_t frame)
{
    const uint16_t type = fields.u16();
    const uint16_t flags = fields.u16();
    const uint32_t gamma = fields.u32();
    if (!fields.ok()) return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, COLOUR_PROFILE);
    if (type == 2) return problem(AsepriteProblem::icc_colour_profile);
    if (type > 2) return problem(AsepriteProblem::unknown_colour_profile, {}, type);
    if (type == 1 && (flags & 1)) return problem(AsepriteProblem::fixed_gamma_colour_profile, {}, gamma);
    return {};
}

// Extension names (types 2 and 3) name what reads properties: no pixels. A palette or a tileset
// from another file, or a file of a type not known, is refused.
AsepriteOutcome parse_external_files(Fields& fields, uint32_t frame)
{
    const uint32_t count = fields.u32();
    fields.skip(8);
    constexpr uint64_t ENTRY_BYTES = 4 + 1 + 7 + 2;
    if (!fields.room_for(count, ENTRY_BYTES))
        return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, EXTERNAL_FILES);
    for (uint32_t i = 0; i < count; ++i) {
        fields.skip(4);
        const uint8_t type = fields.u8();
        fields.skip(7);
        std::string name = fields.string();
        if (!fields.ok()) return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, EXTERNAL_FILES);
        if (type != 2 && type != 3) return problem(AsepriteProblem::external_file, std::move(name), type);
    }
    return {};
}

AsepriteOutcome parse_chunk(uint16_t type, Fields fields, uint32_t frame, Sprite& sprite, bool follows_cel)
{
    switch (type) {
    case OLD_PALETTE:
    case OLD_PALETTE_6BIT:
    case PALETTE: return parse_palette(fields, type, frame, sprite.palettes);
    case LAYER: return parse_layer(fields, frame, sprite);
    case CEL: return parse_cel(fields, frame, sprite);
    case CEL_EXTRA: return parse_cel_extra(fields, frame, sprite, follows_cel);
    case COLOUR_PROFILE: return parse_colour_profile(fields, frame);
    case EXTERNAL_FILES: return parse_external_files(fields, frame);
    case TAGS: return parse_tags(fields, frame, sprite.frames, sprite.tags);
    case MASK:
    case PATH:
    case USER_DATA:
    case SLICE:
    case TILESET: return {};
    default: return problem_at(AsepriteProblem::unknown_chunk, frame, {}, type);
    }
}

AsepriteOutcome parse_frame(const uint8_t* data, size_t size, uint32_t frame, uint16_t speed, Sprite& sprite)
{
    Fields header(data, FRAME_HEADER_BYTES);
    header.skip(4);  // the frame's size, checked by the caller
    const uint16_t magic = header.u16();
    const uint16_t old_count = header.u16();
    const uint16_t duration = header.u16();
    header.skip(2);
    const uint32_t new_count = header.u32();
    if (magic != FRAME_MAGIC) return problem_at(AsepriteProblem::bad_frame_magic, frame, {}, magic);
    sprite.durations_ms.push_back(duration != 0 ? duration : speed);
    const uint32_t count = new_count != 0 ? new_count : old_count;
    size_t at = FRAME_HEADER_BYTES;
    bool follows_cel = false;
    for (uint32_t i = 0; i < count; ++i) {
        Fields chunk(data + at, size - at);
        const uint32_t chunk_size = chunk.u32();
        const uint16_t type = chunk.u16();
        if (!chunk.ok() || chunk_size < CHUNK_HEADER_BYTES || chunk_size > size - at)
            return problem_at(AsepriteProblem::chunk_cut_short, frame);
        AsepriteOutcome outcome =
            parse_chunk(type, Fields(data + at + CHUNK_HEADER_BYTES, chunk_size - CHUNK_HEADER_BYTES), frame, sprite,
                        follows_cel);
        if (!outcome.ok()) return outcome;
        follows_cel = type == CEL;
        at += chunk_size;
    }
    return {};
}

}  // namespace

AsepriteOutcome parse_sprite(const uint8_t* data, size_t size, Sprite& sprite)
{
    size_t end = 0;
    uint16_t speed = 0;
    AsepriteOutcome outcome = parse_header(data, size, sprite, end, speed);
    if (!outcome.ok()) return outcome;
    sprite.durations_ms.reserve(sprite.frames);
    size_t at = HEADER_BYTES;
    for (uint32_t frame = 0; frame < sprite.frames; ++frame) {
        Fields header(data + at, end - at);
        const uint32_t frame_size = header.u32();
        if (!header.ok() || frame_size < FRAME_HEADER_BYTES || frame_size > end - at)
            return problem_at(AsepriteProblem::frame_cut_short, frame);
        outcome = parse_frame(data + at, frame_size, frame, speed, sprite);
        if (!outcome.ok()) return outcome;
        at += frame_size;
    }
    return {};
}

}  // namespace aseprite
