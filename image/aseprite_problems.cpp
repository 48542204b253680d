// The Aseprite reader's outcomes: how they are made, and each one's phrase.
#include <cinttypes>
#include <cstdio>

#include "aseprite_parts.h"

namespace aseprite {

AsepriteOutcome problem_at(AsepriteProblem problem, uint32_t frame, std::string name, int64_t value, int64_t limit)
{
    AsepriteOutcome outcome;
    outcome.problem = problem;
    outcome.frame = frame + 1;
    outcome.name = std::move(name);
    outcome.value = value;
    outcome.limit = limit;
    return outcome;
}

AsepriteOutcome problem(AsepriteProblem problem, std::string name, int64_t value, int64_t limit)
{
    AsepriteOutcome outcome = problem_at(problem, 0, std::move(name), value, limit);
    outcome.frame = 0;
    return outcome;
}

}  // namespace aseprite

namespace {

// The blend modes by number, as the editor names them.
const char* const BLEND_MODES[] = {"normal",      "multiply",   "screen",     "overlay",    "darken",
                                   "lighten",     "color dodge", "color burn", "hard light", "soft light",
                                   "difference",  "exclusion",  "hue",        "saturation", "color",
                                   "luminosity",  "addition",   "subtract",   "divide"};

// A name from the file, quoted, its control characters shown as '?' so that a message stays one line.
std::string quoted(const std::string& name)
{
    std::string out = "'";
    for (const char c : name) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
    return out + "'";
}

std::string number(int64_t value) { return std::to_string(value); }

std::string hex(int64_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04" PRIx64, static_cast<uint64_t>(value) & 0xFFFF);
    return text;
}

std::string layer(const AsepriteOutcome& o) { return "layer " + quoted(o.name); }

std::string phrase(const AsepriteOutcome& o)
{
    using P = AsepriteProblem;
    switch (o.problem) {
    case P::none: return {};
    case P::too_short: return "the file ends inside its 128-byte header";
    case P::not_aseprite: return "not an Aseprite file (no magic number 0xa5e0)";
    case P::bad_file_size: return "the header gives a file size of " + number(o.value) + " bytes, less than its own 128";
    case P::cut_short: return "the file is cut short: its header says " + number(o.value) + " bytes, it has " + number(o.limit);
    case P::no_frames: return "the sprite has no frames";
    case P::empty_canvas: return "the canvas is " + number(o.value) + " x " + number(o.limit) + " pixels";
    case P::bad_colour_depth: return "a colour depth of " + number(o.value) + " bits, not 8, 16 or 32";
    case P::frame_cut_short: return "its bytes run past the end of the file";
    case P::bad_frame_magic: return "no frame magic number 0xf1fa";
    case P::chunk_cut_short: return "a chunk runs past the end of its frame";
    case P::chunk_fields_short: return "a chunk of type " + hex(o.value) + " ends inside its fields";
    case P::bad_layer_nesting: return layer(o) + " is nested under no group";
    case P::unknown_layer_type: return layer(o) + " is of type " + number(o.value) + ", which is not known";
    case P::cel_bad_layer: return "a cel is on layer " + number(o.value) + " of " + number(o.limit);
    case P::cel_on_group: return "a cel is on the group " + quoted(o.name);
    case P::duplicate_cel: return layer(o) + " has two cels";
    case P::unknown_cel_type: return "a cel of " + layer(o) + " is of type " + number(o.value) + ", which is not known";
    case P::tilemap_cel_on_image_layer: return layer(o) + " is not a tilemap layer but has a tilemap cel";
    case P::cel_pixels_short: return "the pixels of a cel of " + layer(o) + " run past the end of its chunk";
    case P::cel_bad_zlib: return "the pixels of a cel of " + layer(o) + " are not valid zlib data";
    case P::cel_zlib_cut_short: return "the zlib data of a cel of " + layer(o) + " is cut short";
    case P::cel_too_much_data:
        return "a cel of " + layer(o) + " inflates to more than the " + number(o.limit) + " bytes of its pixels";
    case P::cel_too_little_data:
        return "a cel of " + layer(o) + " inflates to " + number(o.value) + " bytes, not the " + number(o.limit) +
               " of its pixels";
    case P::bad_link: return "a linked cel of " + layer(o) + " leads to frame " + number(o.value) + ", which has no image cel there";
    case P::bad_palette_range: return "a palette chunk changes entries " + number(o.value) + " to " + number(o.limit) + ", past its size";
    case P::bad_palette_value: return "an old palette chunk has the 6-bit value " + number(o.value);
    case P::colour_index_past_palette:
        return layer(o) + " uses colour index " + number(o.value) + ", past the palette's " + number(o.limit) + " colours";
    case P::bad_tag_range:
        return "tag " + quoted(o.name) + " runs from frame " + number(o.value) + " to frame " + number(o.limit) +
               ", not within the sprite's frames";
    case P::unknown_tag_direction: return "tag " + quoted(o.name) + " has direction " + number(o.value) + ", which is not known";
    case P::canvas_too_large:
        return "the canvas has " + number(o.value) + " bytes of pixels, more than the " + number(o.limit) + " a frame may have";
    case P::animation_too_large:
        return "the frames have " + number(o.value) + " bytes of pixels, more than the " + number(o.limit) + " a sprite may have";
    case P::cel_too_large:
        return "a cel of " + layer(o) + " has " + number(o.value) + " bytes of pixels, more than the " + number(o.limit) + " a cel may have";
    case P::groups_too_deep:
        return layer(o) + " is nested " + number(o.value) + " groups deep, more than " + number(o.limit);
    case P::too_much_inflating: return "the cels inflate to more than the " + number(o.limit) + " bytes a sprite may";
    case P::too_much_blending: return "the frames take more than the " + number(o.limit) + " pixel blends a sprite may";
    case P::out_of_memory: return "out of memory";
    case P::blend_mode_not_supported: {
        const size_t count = sizeof BLEND_MODES / sizeof BLEND_MODES[0];
        const std::string mode = o.value >= 0 && static_cast<size_t>(o.value) < count
                                     ? "the '" + std::string(BLEND_MODES[o.value]) + "' blend mode"
                                     : "blend mode " + number(o.value);
        return layer(o) + " uses " + mode + ", which is not supported";
    }
    case P::tilemap_layer: return layer(o) + " is a tilemap layer, which is not supported";
    case P::reference_layer: return layer(o) + " is a reference layer, which is not supported";
    case P::cel_z_index: return "a cel of " + layer(o) + " has the z-index " + number(o.value) + ", which is not supported";
    case P::cel_precise_bounds: return "a cel of " + layer(o) + " is scaled to precise bounds, which is not supported";
    case P::icc_colour_profile: return "the sprite has an embedded ICC colour profile, which is not supported (only sRGB is)";
    case P::fixed_gamma_colour_profile: return "the sprite's colour profile has a fixed gamma, which is not supported (only sRGB is)";
    case P::unknown_colour_profile: return "the sprite's colour profile is of type " + number(o.value) + ", which is not known";
    case P::external_file:
        return std::string(o.value == 0 ? "the sprite's palette is in the external file "
                           : o.value == 1 ? "the sprite's tileset is in the external file "
                                          : "the sprite uses the external file ") +
               quoted(o.name) + ", which is not supported";
    case P::unknown_chunk: return "a chunk of type " + hex(o.value) + ", which is not known";
    case P::unknown_tag: {
        std::string text = "no tag is named " + quoted(o.name);
        for (size_t i = 0; i < o.known.size(); ++i) text += (i == 0 ? " (the tags: " : ", ") + quoted(o.known[i]);
        return text + (o.known.empty() ? " (the sprite has no tags)" : ")");
    }
    case P::ambiguous_tag: return number(o.value) + " tags are named " + quoted(o.name);
    }
    return "unknown problem";
}

}  // namespace

std::string aseprite_problem_text(const AsepriteOutcome& outcome)
{
    std::string text = phrase(outcome);
    if (outcome.frame != 0 && !text.empty()) text = "frame " + std::to_string(outcome.frame) + ": " + text;
    return text;
}
