// The Aseprite reader (.ase, .aseprite): a sprite's bytes in memory to its frames, each composited
// from its visible layers at the canvas size, with their durations and the sprite's tags; and
// the frame order of one tag as the editor plays it. Everything the reader does not draw exactly
// as the editor does is refused with a named outcome, never approximated. Prints nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "animation.h"

enum class AsepriteProblem {
    none,
    // The file is damaged or is not a sprite.
    too_short,                  // the file ends inside its 128-byte header
    not_aseprite,               // value: the magic number found
    bad_file_size,              // value: the header's file size, below the header's own
    cut_short,                  // value: the header's file size; limit: the bytes there are
    no_frames,
    empty_canvas,               // value: width; limit: height
    bad_colour_depth,           // value: bits per pixel, not 8, 16 or 32
    frame_cut_short,            // the frame's header or bytes run past the end of the file
    bad_frame_magic,            // value: the magic number found
    chunk_cut_short,            // a chunk's size is below 6 or runs past its frame
    chunk_fields_short,         // value: the chunk's type, whose fields run past its end
    bad_layer_nesting,          // name: a layer deeper than one below the layer before, or under a non-group
    unknown_layer_type,         // name, value: the type
    cel_bad_layer,              // value: the layer index; limit: the number of layers
    cel_on_group,               // name: the group
    duplicate_cel,              // name: the layer with two cels in one frame
    unknown_cel_type,           // name, value: the type
    tilemap_cel_on_image_layer,  // name
    cel_pixels_short,           // name: a raw cel whose pixels run past its chunk
    cel_bad_zlib,               // name: compressed pixels that are not a zlib stream
    cel_zlib_cut_short,         // name: the zlib stream ends before it is complete
    cel_too_much_data,          // name; limit: the bytes of the cel's width x height pixels
    cel_too_little_data,        // name; value: the bytes inflated; limit: those of its pixels
    bad_link,                   // name; value: the frame linked to (counted from 1)
    bad_palette_range,          // value: the first index changed; limit: the last
    bad_palette_value,          // value: a colour value above 63 in the old 6-bit palette chunk
    colour_index_past_palette,  // value: the index; limit: the palette's number of colours
    bad_tag_range,              // name: the tag; value, limit: its first and last frame (from 1)
    unknown_tag_direction,      // name: the tag; value: the direction
    // Limits of what one sprite may take (each with its reason in aseprite_parts.h).
    canvas_too_large,           // value: bytes of one frame's pixels; limit
    animation_too_large,        // value: bytes of all frames' pixels; limit
    cel_too_large,              // name; value: bytes of the cel's pixels; limit
    groups_too_deep,            // name; value: the layer's depth; limit
    too_much_inflating,         // limit: the bytes all cels may inflate to
    too_much_blending,          // limit: the pixel blends one sprite may take
    out_of_memory,
    // Features the reader does not draw: refused, never approximated.
    blend_mode_not_supported,   // name: the layer or group; value: the blend mode
    tilemap_layer,              // name
    reference_layer,            // name
    cel_z_index,                // name; value: the z-index (signed, as int64_t)
    cel_precise_bounds,         // name: a cel drawn scaled to precise bounds
    icc_colour_profile,
    fixed_gamma_colour_profile,  // value: the gamma, 16.16 fixed point
    unknown_colour_profile,     // value: the profile's type
    external_file,              // name: the file; value: its type (0 palette, 1 tileset, ...)
    unknown_chunk,              // value: the chunk's type
    // Tags.
    unknown_tag,                // name: the tag asked for; known: the sprite's tags
    ambiguous_tag,              // name; value: how many tags have it
};

// What went wrong, with what it concerns; problem is none when nothing did.
struct AsepriteOutcome {
    AsepriteProblem problem = AsepriteProblem::none;
    uint32_t frame = 0;              // the frame concerned, counted from 1 as the editor shows it; 0: none
    std::string name;                // the layer, tag or file concerned, where there is one
    int64_t value = 0;               // see the problem
    int64_t limit = 0;               // see the problem
    std::vector<std::string> known;  // unknown_tag: the names of the sprite's tags

    bool ok() const { return problem == AsepriteProblem::none; }
};

enum class TagDirection { forward = 0, reverse = 1, ping_pong = 2, ping_pong_reverse = 3 };

struct AsepriteTag {
    std::string name;
    uint32_t from = 0;  // first frame, counted from 0
    uint32_t to = 0;    // last frame, from <= to < frames
    TagDirection direction = TagDirection::forward;
};

struct AsepriteSprite {
    Animation animation;
    std::vector<AsepriteTag> tags;  // in the file's order
};

// A sprite file's bytes may be read whole up to this size: far more than the largest sprite the
// limits let through compresses to, and little enough to hold in memory.
constexpr size_t MAX_ASEPRITE_FILE = size_t{64} << 20;

// Reads the sprite in data[0, size): every frame composited (32 bits, blue, green, red, alpha, top
// row first, the canvas's size), its duration, and the tags. On a problem sprite is left empty.
AsepriteOutcome read_aseprite(const uint8_t* data, size_t size, AsepriteSprite& sprite);

// The frames (counted from 0) of the tag named name, in the order the editor plays them once
// through: forward from..to; reverse to..from; ping-pong from..to then back to from + 1 (frames
// 1..4 give 1 2 3 4 3 2, a loop that does not show its turning frames twice); ping-pong reverse
// to..from then up to to - 1 (4 3 2 1 2 3). An empty name gives every frame in order. The tag's
// repeat count is not applied: the frames are one pass, which a player loops.
AsepriteOutcome aseprite_tag_frames(const AsepriteSprite& sprite, const std::string& name,
                                    std::vector<uint32_t>& frames);

// A short lower-case phrase for the outcome, e.g. "layer 'glow' uses the 'screen' blend mode,
// which is not supported"; empty for none.
std::string aseprite_problem_text(const AsepriteOutcome& outcome);
