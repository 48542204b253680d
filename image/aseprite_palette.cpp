// Palettes of indexed sprites: the palette chunk and the two old ones read into changes, and the
// palette each frame shows (a chunk changes the palette from its frame on). A file that has the
// palette chunk is read by it alone; the old chunks are then copies kept for old readers.
#include <algorithm>

#include "aseprite_parts.h"

namespace aseprite {
namespace {

constexpr uint32_t MAX_COLOURS = 256;  // an index is one byte: entries past it are never shown

AsepriteOutcome parse_current_palette(Fields& fields, uint32_t frame, PaletteChange& change)
{
    const uint32_t size = fields.u32();
    const uint32_t first = fields.u32();
    const uint32_t last = fields.u32();
    fields.skip(8);
    if (!fields.ok()) return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, PALETTE);
    if (first > last || last >= size) return problem_at(AsepriteProblem::bad_palette_range, frame, {}, first, last);
    constexpr uint64_t ENTRY_BYTES = 2 + 4;
    if (!fields.room_for(uint64_t{last} - first + 1, ENTRY_BYTES))
        return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, PALETTE);
    change.colours = std::min(size, MAX_COLOURS);
    for (uint64_t index = first; index <= last; ++index) {
        const uint16_t flags = fields.u16();
        const uint8_t red = fields.u8(), green = fields.u8(), blue = fields.u8(), alpha = fields.u8();
        if (flags & 1) fields.string();  // the colour's name
        if (!fields.ok()) return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, PALETTE);
        if (index < MAX_COLOURS) change.entries.push_back({static_cast<uint8_t>(index), {red, green, blue, alpha}});
    }
    return {};
}

// Packets of colours, each after a number of entries skipped; 6-bit values are widened by
// repeating their top bits (v << 2 | v >> 4), so 63 gives 255.
AsepriteOutcome parse_old_palette(Fields& fields, uint16_t type, uint32_t frame, PaletteChange& change)
{
    const bool six_bit = type == OLD_PALETTE_6BIT;
    const uint16_t packets = fields.u16();
    if (!fields.room_for(packets, 2)) return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, type);
    uint32_t index = 0;
    for (uint32_t packet = 0; packet < packets; ++packet) {
        index += fields.u8();
        uint32_t count = fields.u8();
        if (count == 0) count = 256;
        if (!fields.room_for(count, 3)) return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, type);
        if (index + count > MAX_COLOURS)
            return problem_at(AsepriteProblem::bad_palette_range, frame, {}, index, index + count - 1);
        for (uint32_t i = 0; i < count; ++i, ++index) {
            std::array<uint8_t, 4> rgba = {fields.u8(), fields.u8(), fields.u8(), 255};
            for (int c = 0; six_bit && c < 3; ++c) {
                if (rgba[c] > 63) return problem_at(AsepriteProblem::bad_palette_value, frame, {}, rgba[c]);
                rgba[c] = static_cast<uint8_t>(rgba[c] << 2 | rgba[c] >> 4);
            }
            change.entries.push_back({static_cast<uint8_t>(index), rgba});
        }
        change.colours = std::max(change.colours, index);
    }
    return {};
}

}  // namespace

AsepriteOutcome parse_palette(Fields& fields, uint16_t type, uint32_t frame, std::vector<PaletteChange>& changes)
{
    PaletteChange change;
    change.frame = frame;
    change.current_chunk = type == PALETTE;
    AsepriteOutcome outcome = change.current_chunk ? parse_current_palette(fields, frame, change)
                                                   : parse_old_palette(fields, type, frame, change);
    if (outcome.ok()) changes.push_back(std::move(change));
    return outcome;
}

FramePalette::FramePalette(const Sprite& sprite) : sprite_(sprite)
{
    current_chunks_ = std::any_of(sprite.palettes.begin(), sprite.palettes.end(),
                                  [](const PaletteChange& change) { return change.current_chunk; });
    colours_bgra_.fill(Bgra{0, 0, 0, 255});  // an entry no chunk gives is opaque black
}

void FramePalette::enter(uint32_t frame)
{
    for (; next_ < sprite_.palettes.size() && sprite_.palettes[next_].frame <= frame; ++next_) {
        const PaletteChange& change = sprite_.palettes[next_];
        if (change.current_chunk != current_chunks_) continue;
        // The palette chunk gives the palette's size; an old chunk grows it to the entries it gives.
        colours_ = change.current_chunk ? change.colours : std::max(colours_, change.colours);
        for (const auto& [index, rgba] : change.entries) colours_bgra_[index] = Bgra{rgba[2], rgba[1], rgba[0], rgba[3]};
    }
}

}  // namespace aseprite
