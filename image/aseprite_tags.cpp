// Tags: the tags chunk read and checked against the sprite's frames, and the order in which the
// editor plays a tag's frames once through.
#include <algorithm>

#include "aseprite_parts.h"

namespace aseprite {

AsepriteOutcome parse_tags(Fields& fields, uint32_t frame, uint32_t frames, std::vector<AsepriteTag>& tags)
{
    const uint16_t count = fields.u16();
    fields.skip(8);
    constexpr uint64_t TAG_BYTES = 2 + 2 + 1 + 2 + 6 + 3 + 1 + 2;
    if (!fields.room_for(count, TAG_BYTES)) return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, TAGS);
    for (uint32_t i = 0; i < count; ++i) {
        AsepriteTag tag;
        tag.from = fields.u16();
        tag.to = fields.u16();
        const uint8_t direction = fields.u8();
        fields.skip(2 + 6 + 3 + 1);  // repeat count, reserved, colour, extra byte
        tag.name = fields.string();
        if (!fields.ok()) return problem_at(AsepriteProblem::chunk_fields_short, frame, {}, TAGS);
        if (tag.from > tag.to || tag.to >= frames)
            return problem(AsepriteProblem::bad_tag_range, std::move(tag.name), tag.from + 1, tag.to + 1);
        if (direction > static_cast<uint8_t>(TagDirection::ping_pong_reverse))
            return problem(AsepriteProblem::unknown_tag_direction, std::move(tag.name), direction);
        tag.direction = static_cast<TagDirection>(direction);
        tags.push_back(std::move(tag));
    }
    return {};
}

}  // namespace aseprite

AsepriteOutcome aseprite_tag_frames(const AsepriteSprite& sprite, const std::string& name, std::vector<uint32_t>& frames)
{
    frames.clear();
    if (name.empty()) {
        for (uint32_t i = 0; i < sprite.animation.frames.size(); ++i) frames.push_back(i);
        return {};
    }
    const auto named = [&](const AsepriteTag& tag) { return tag.name == name; };
    const auto found = std::find_if(sprite.tags.begin(), sprite.tags.end(), named);
    if (found == sprite.tags.end()) {
        AsepriteOutcome outcome = aseprite::problem(AsepriteProblem::unknown_tag, name);
        for (const AsepriteTag& tag : sprite.tags) outcome.known.push_back(tag.name);
        return outcome;
    }
    const auto count = std::count_if(sprite.tags.begin(), sprite.tags.end(), named);
    if (count > 1) return aseprite::problem(AsepriteProblem::ambiguous_tag, name, count);
    const AsepriteTag& tag = *found;
    const bool backwards = tag.direction == TagDirection::reverse || tag.direction == TagDirection::ping_pong_reverse;
    const bool returns = tag.direction == TagDirection::ping_pong || tag.direction == TagDirection::ping_pong_reverse;
    for (uint32_t i = tag.from; i <= tag.to; ++i) frames.push_back(i);
    if (backwards) std::reverse(frames.begin(), frames.end());
    // The way back leaves out both turning frames: each shows once as the pass loops.
    for (size_t i = frames.size() - 1; returns && i > 1; --i) {
        const uint32_t back = frames[i - 1];
        frames.push_back(back);
    }
    return {};
}
