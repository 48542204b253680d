// What the pieces of the Aseprite reader share: the limits, the little-endian field reader, the
// parsed sprite (layers, cels, palette changes, tags) before any pixel is decoded, and each
// piece's entry point. The format facts the reader relies on are at the top of aseprite_reader.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "aseprite_reader.h"
#include "frameset.h"

namespace aseprite {

// One frame's canvas holds at most the pixels of the largest image a frame set may have.
constexpr uint64_t MAX_CANVAS_BYTES = MAX_IMAGE_BYTES;
// All frames together: 128 frames of the largest canvas. A whole packed file holds about 10 million
// 16-bit pixels (40 MB decoded); a sprite is often packed one tag at a time, so it may hold several.
constexpr uint64_t MAX_SPRITE_BYTES = uint64_t{256} << 20;
// One cel's pixels: eight times the largest canvas, for a cel that reaches far past the canvas.
constexpr uint64_t MAX_CEL_BYTES = uint64_t{16} << 20;
// Groups nest at most this deep: far deeper than artists nest them, and it bounds the canvases
// held at once for groups composited apart (one a level).
constexpr uint32_t MAX_GROUP_DEPTH = 32;
// Everything all cels of a sprite may inflate to, the same cel counted each time it is inflated
// again: four full canvases a frame of the largest sprite. It bounds the time and the memory a
// file made of highly compressed cels can take.
constexpr uint64_t MAX_INFLATED_BYTES = 4 * MAX_SPRITE_BYTES;
// The pixel blends (and layer visits) all frames may take: sixteen full layers a frame of the
// largest sprite. It bounds the time a file of many small chunks linked to large cels can take.
constexpr uint64_t MAX_BLENDS = 16 * (MAX_SPRITE_BYTES / 4);

// Reads little-endian fields from a span of bytes. A read past the end gives 0 and leaves the
// reader failed for good, so that a run of fields is checked once after it; nothing is read
// past the span.
class Fields {
public:
    Fields(const uint8_t* data, size_t size) : at_(data), left_(size) {}
    uint8_t u8() { return take(1) ? at_[-1] : 0; }
    uint16_t u16() { return take(2) ? static_cast<uint16_t>(at_[-2] | at_[-1] << 8) : 0; }
    uint32_t u32()
    {
        if (!take(4)) return 0;
        return static_cast<uint32_t>(at_[-4] | at_[-3] << 8 | at_[-2] << 16) | static_cast<uint32_t>(at_[-1]) << 24;
    }
    int16_t s16() { return static_cast<int16_t>(u16()); }
    void skip(size_t n) { take(n); }
    // A WORD of length, then that many bytes of UTF-8.
    std::string string()
    {
        const uint16_t length = u16();
        const uint8_t* start = at_;
        return take(length) ? std::string(reinterpret_cast<const char*>(start), length) : std::string();
    }
    // True when count items of at least item_bytes each can still follow.
    bool room_for(uint64_t count, uint64_t item_bytes) const { return ok_ && count * item_bytes <= left_; }
    const uint8_t* here() const { return at_; }
    size_t left() const { return left_; }
    bool ok() const { return ok_; }

private:
    bool take(size_t n)
    {
        if (!ok_ || n > left_) {
            ok_ = false;
            left_ = 0;
            return false;
        }
        at_ += n;
        left_ -= n;
        return true;
    }
    const uint8_t* at_;
    size_t left_;
    bool ok_ = true;
};

enum ChunkType : uint16_t {
    OLD_PALETTE = 0x0004,
    OLD_PALETTE_6BIT = 0x0011,
    LAYER = 0x2004,
    CEL = 0x2005,
    CEL_EXTRA = 0x2006,
    COLOUR_PROFILE = 0x2007,
    EXTERNAL_FILES = 0x2008,
    MASK = 0x2016,
    PATH = 0x2017,
    TAGS = 0x2018,
    PALETTE = 0x2019,
    USER_DATA = 0x2020,
    SLICE = 0x2022,
    TILESET = 0x2023,
};

enum class ColourMode { indexed = 8, grayscale = 16, rgba = 32 };

enum HeaderFlag : uint32_t {
    LAYER_OPACITY_VALID = 1,  // the layers' opacity is given; else every layer is opaque
    GROUPS_COMPOSITED = 2,    // groups are composited apart, then blended with their own opacity
    LAYERS_HAVE_UUID = 4,
};
enum LayerFlag : uint16_t { VISIBLE = 1, BACKGROUND = 8, REFERENCE = 64 };
enum LayerType : uint16_t { IMAGE_LAYER = 0, GROUP_LAYER = 1, TILEMAP_LAYER = 2 };
enum CelType : uint16_t { RAW_CEL = 0, LINKED_CEL = 1, COMPRESSED_CEL = 2, TILEMAP_CEL = 3 };

struct Layer {
    std::string name;
    uint16_t flags = 0;
    uint16_t type = IMAGE_LAYER;
    uint16_t blend_mode = 0;
    uint8_t opacity = 255;  // 255 when the header does not give layer opacity
    int32_t parent = -1;    // the group it is in; -1 at the top
    uint32_t depth = 0;     // groups above it
    bool shown = false;     // visible, and every group above it too (set by check_features)
};

struct Cel {
    uint32_t frame = 0;
    uint16_t layer = 0;
    int16_t x = 0, y = 0;
    uint8_t opacity = 255;
    uint16_t type = COMPRESSED_CEL;
    int16_t z_index = 0;
    bool precise_bounds = false;  // a cel extra chunk scales it to bounds of its own
    uint16_t link_frame = 0;      // a linked cel's frame
    uint16_t width = 0, height = 0;
    const uint8_t* data = nullptr;  // raw or compressed pixels, to the end of the chunk
    size_t size = 0;
};

// One palette chunk's entries, applied from its frame on.
struct PaletteChange {
    uint32_t frame = 0;
    bool current_chunk = true;  // the palette chunk (0x2019); false for the old ones (0x0004, 0x0011)
    uint32_t colours = 0;       // the palette's size after it, at most 256 (an index is one byte)
    std::vector<std::pair<uint8_t, std::array<uint8_t, 4>>> entries;  // index, red, green, blue, alpha
};

struct Sprite {
    uint16_t frames = 0;
    uint16_t width = 0, height = 0;
    ColourMode mode = ColourMode::rgba;
    uint32_t flags = 0;
    uint8_t transparent_index = 0;  // indexed sprites: the index that is transparent on all but the background
    std::vector<uint32_t> durations_ms;
    std::vector<Layer> layers;
    std::vector<Cel> cels;  // in the file's order, so by frame
    std::vector<PaletteChange> palettes;
    std::vector<AsepriteTag> tags;

    uint32_t bytes_per_pixel() const { return static_cast<uint32_t>(mode) / 8; }
};

// Bytes of one RGBA pixel: blue, green, red, alpha as an Image holds them.
using Bgra = std::array<uint8_t, 4>;

// aseprite_chunks.cpp: the header, the frames and their chunks into sprite, every size checked
// against the room left; refuses what is damaged and the features a file refuses as a whole.
AsepriteOutcome parse_sprite(const uint8_t* data, size_t size, Sprite& sprite);

// aseprite_layers.cpp: the layers' tree and visibility, and the features of the layers and cels
// that are drawn that the reader refuses; finds every linked cel's cel (into link_target).
AsepriteOutcome check_layers(Sprite& sprite);
AsepriteOutcome check_cels(const Sprite& sprite, std::vector<int32_t>& link_target);

// aseprite_cels.cpp: a cel's pixels, raw or inflated, exactly its width x height pixels.
// inflated counts the bytes inflated so far against MAX_INFLATED_BYTES.
AsepriteOutcome decode_cel(const Sprite& sprite, const Cel& cel, uint64_t& inflated, std::vector<uint8_t>& pixels);

// aseprite_palette.cpp: a palette chunk of any of the three types into changes, and the palette
// of each frame in turn.
AsepriteOutcome parse_palette(Fields& fields, uint16_t type, uint32_t frame, std::vector<PaletteChange>& changes);
class FramePalette {
public:
    explicit FramePalette(const Sprite& sprite);
    // Applies the changes of frame (called with 0, 1, 2, ... in turn).
    void enter(uint32_t frame);
    uint32_t colours() const { return colours_; }
    const Bgra& colour(uint8_t index) const { return colours_bgra_[index]; }

private:
    const Sprite& sprite_;
    bool current_chunks_;  // the file has the palette chunk: the old ones are ignored
    size_t next_ = 0;
    uint32_t colours_ = 0;
    std::array<Bgra, 256> colours_bgra_;
};

// aseprite_composite.cpp: every frame composited into animation.
AsepriteOutcome composite_frames(const Sprite& sprite, const std::vector<int32_t>& link_target, Animation& animation);

// aseprite_tags.cpp: the tags chunk into tags, each within the sprite's frames.
AsepriteOutcome parse_tags(Fields& fields, uint32_t frame, uint32_t frames, std::vector<AsepriteTag>& tags);

// An outcome of problem, at frame counted from 0 (frame + 1 is kept), with a name.
AsepriteOutcome problem_at(AsepriteProblem problem, uint32_t frame, std::string name = {}, int64_t value = 0,
                           int64_t limit = 0);
AsepriteOutcome problem(AsepriteProblem problem, std::string name = {}, int64_t value = 0, int64_t limit = 0);

}  // namespace aseprite
