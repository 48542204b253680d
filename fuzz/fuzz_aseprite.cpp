// libFuzzer target for the Aseprite reader: each input is a whole sprite in memory (a buffer of
// exactly its size, so a read past its end is caught), read with read_aseprite. Besides memory
// errors it stops on broken promises: a refusal has its phrase and leaves the sprite empty; an
// accepted sprite has the header's number of frames, each a 32-bit image of the header's canvas
// with all its pixels, one duration a frame; every frame in order for no tag; each tag's frames
// lie within the sprite's, at most twice the tag's length, or the tag's name is shared; a name
// no tag has is refused with the sprite's tags.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "aseprite_reader.h"

namespace {

void check(bool promise)
{
    if (!promise) std::abort();
}

uint16_t u16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

void check_tags(const AsepriteSprite& sprite)
{
    const size_t frames = sprite.animation.frames.size();
    std::vector<uint32_t> order;
    check(aseprite_tag_frames(sprite, "", order).ok() && order.size() == frames);
    for (uint32_t i = 0; i < order.size(); ++i) check(order[i] == i);
    const std::string nobody = "\x01 a name no tag has";
    bool nobody_named = false;
    for (const AsepriteTag& tag : sprite.tags) {
        nobody_named = nobody_named || tag.name == nobody;
        if (tag.name.empty()) continue;  // no name asks for every frame
        const AsepriteOutcome outcome = aseprite_tag_frames(sprite, tag.name, order);
        if (!outcome.ok()) {
            check(outcome.problem == AsepriteProblem::ambiguous_tag);
            continue;
        }
        check(!order.empty() && order.size() <= 2 * (size_t{tag.to} - tag.from + 1));
        for (const uint32_t frame : order) check(frame >= tag.from && frame <= tag.to && frame < frames);
    }
    const AsepriteOutcome unknown = aseprite_tag_frames(sprite, nobody, order);
    check(nobody_named || (unknown.problem == AsepriteProblem::unknown_tag && unknown.known.size() == sprite.tags.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy: libFuzzer's own buffer is, a replay's vector may not be.
    std::vector<uint8_t> bytes(data, data + size);
    bytes.shrink_to_fit();
    AsepriteSprite sprite;
    const AsepriteOutcome outcome = read_aseprite(bytes.data(), bytes.size(), sprite);
    if (!outcome.ok()) {
        check(!aseprite_problem_text(outcome).empty());
        check(sprite.animation.frames.empty() && sprite.animation.durations_ms.empty() && sprite.tags.empty());
        return 0;
    }
    check(size >= 128);
    const uint16_t frames = u16(data + 6), width = u16(data + 8), height = u16(data + 10);
    check(sprite.animation.frames.size() == frames && sprite.animation.durations_ms.size() == frames);
    for (const Image& image : sprite.animation.frames) {
        check(image.width == width && image.height == height && image.bits_per_pixel == 32);
        check(image.pixels.size() == size_t{width} * height * 4);
    }
    check_tags(sprite);
    return 0;
}
