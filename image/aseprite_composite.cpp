// Each frame composited from its drawn layers, bottom first, on a transparent canvas: a cel's
// pixels in the sprite's colour mode made blue, green, red, alpha, clipped to the canvas, blended
// in the normal mode with the cel's opacity times its layer's; groups composited apart first
// when the header says so.
//
// The normal blend is the straight-alpha "over" in 8-bit integers, as the editor keeps and blends
// 8-bit channels; no floating point, so a sprite gives the same bytes everywhere. With
// mul(a, b) = a * b / 255 rounded to the nearest (never a tie: 255 is odd):
//   opacity = mul(cel opacity, layer opacity)
//   Sa = mul(source alpha, opacity); nothing changes when Sa is 0
//   Ra = Sa + Ba - mul(Ba, Sa)                     (Ba: the canvas's alpha)
//   R = B + (S - B) * Sa / Ra, for each colour     (the division truncated toward zero)
// so that over a transparent pixel the source shows as it is, with alpha Sa.
#include <algorithm>

#include "aseprite_parts.h"

namespace aseprite {
namespace {

uint32_t mul8(uint32_t a, uint32_t b) { return (a * b + 127) / 255; }

void blend(uint8_t* back, const Bgra& source, uint32_t opacity)
{
    const uint32_t sa = mul8(source[3], opacity);
    if (sa == 0) return;
    const uint32_t ba = back[3];
    const int32_t ra = static_cast<int32_t>(sa + ba - mul8(ba, sa));
    for (int c = 0; c < 3; ++c)
        back[c] = static_cast<uint8_t>(back[c] + (source[c] - back[c]) * static_cast<int32_t>(sa) / ra);
    back[3] = static_cast<uint8_t>(ra);
}

class Compositor {
public:
    Compositor(const Sprite& sprite, const std::vector<int32_t>& link_target)
        : sprite_(sprite), link_target_(link_target), palette_(sprite), children_(sprite.layers.size() + 1),
          cel_here_(sprite.layers.size(), -1), cached_(sprite.layers.size()), group_canvas_(MAX_GROUP_DEPTH + 1)
    {
        for (size_t i = 0; i < sprite.layers.size(); ++i) {
            const int32_t parent = sprite.layers[i].parent;
            children_[parent < 0 ? sprite.layers.size() : static_cast<size_t>(parent)].push_back(static_cast<uint32_t>(i));
        }
    }

    AsepriteOutcome draw_frame(uint32_t frame, Image& image)
    {
        palette_.enter(frame);
        const size_t first = next_cel_;
        for (; next_cel_ < sprite_.cels.size() && sprite_.cels[next_cel_].frame == frame; ++next_cel_)
            cel_here_[sprite_.cels[next_cel_].layer] = static_cast<int32_t>(next_cel_);
        image.width = sprite_.width;
        image.height = sprite_.height;
        image.bits_per_pixel = 32;
        image.pixels.assign(canvas_bytes(), 0);
        AsepriteOutcome outcome = draw_children(sprite_.layers.size(), frame, image.pixels.data());
        for (size_t i = first; i < next_cel_; ++i) cel_here_[sprite_.cels[i].layer] = -1;
        return outcome;
    }

private:
    size_t canvas_bytes() const { return size_t{sprite_.width} * sprite_.height * 4; }

    bool count_blends(uint64_t n) { return (blends_ += n) <= MAX_BLENDS; }

    // The layers in group (the top when it is the number of layers), bottom first.
    AsepriteOutcome draw_children(size_t group, uint32_t frame, uint8_t* canvas)
    {
        for (const uint32_t index : children_[group]) {
            const Layer& layer = sprite_.layers[index];
            if (!layer.shown) continue;
            if (!count_blends(1)) return problem(AsepriteProblem::too_much_blending, {}, 0, MAX_BLENDS);
            AsepriteOutcome outcome;
            if (layer.type == GROUP_LAYER && (sprite_.flags & GROUPS_COMPOSITED))
                outcome = draw_group_apart(index, frame, canvas);
            else if (layer.type == GROUP_LAYER)
                outcome = draw_children(index, frame, canvas);
            else if (cel_here_[index] >= 0)
                outcome = draw_cel(static_cast<size_t>(cel_here_[index]), frame, canvas);
            if (!outcome.ok()) return outcome;
        }
        return {};
    }

    // The group's layers on a canvas of their own, then that canvas over this one with the
    // group's opacity.
    AsepriteOutcome draw_group_apart(uint32_t index, uint32_t frame, uint8_t* canvas)
    {
        const Layer& group = sprite_.layers[index];
        std::vector<uint8_t>& own = group_canvas_[group.depth];
        own.assign(canvas_bytes(), 0);
        AsepriteOutcome outcome = draw_children(index, frame, own.data());
        if (!outcome.ok()) return outcome;
        if (!count_blends(canvas_bytes() / 4)) return problem(AsepriteProblem::too_much_blending, {}, 0, MAX_BLENDS);
        for (size_t i = 0; i < own.size(); i += 4)
            blend(canvas + i, Bgra{own[i], own[i + 1], own[i + 2], own[i + 3]}, group.opacity);
        return {};
    }

    AsepriteOutcome draw_cel(size_t here, uint32_t frame, uint8_t* canvas)
    {
        // A linked cel shares its original's pixels, position and opacity.
        const size_t source = sprite_.cels[here].type == LINKED_CEL ? static_cast<size_t>(link_target_[here]) : here;
        const Cel& cel = sprite_.cels[source];
        const Layer& layer = sprite_.layers[cel.layer];
        Cached& cached = cached_[cel.layer];
        if (cached.cel != source) {
            cached.cel = SIZE_MAX;
            AsepriteOutcome outcome = decode_cel(sprite_, cel, inflated_, cached.pixels);
            if (!outcome.ok()) return outcome;
            cached.cel = source;
        }
        const int64_t x0 = std::max<int64_t>(0, cel.x), x1 = std::min<int64_t>(sprite_.width, int64_t{cel.x} + cel.width);
        const int64_t y0 = std::max<int64_t>(0, cel.y), y1 = std::min<int64_t>(sprite_.height, int64_t{cel.y} + cel.height);
        if (x0 >= x1 || y0 >= y1) return {};
        if (!count_blends(static_cast<uint64_t>((x1 - x0) * (y1 - y0))))
            return problem(AsepriteProblem::too_much_blending, {}, 0, MAX_BLENDS);
        const uint32_t opacity = mul8(cel.opacity, layer.opacity);
        const size_t bpp = sprite_.bytes_per_pixel();
        const bool background = layer.flags & BACKGROUND;
        for (int64_t y = y0; y < y1; ++y) {
            const uint8_t* from = cached.pixels.data() + static_cast<size_t>(((y - cel.y) * cel.width + (x0 - cel.x))) * bpp;
            uint8_t* to = canvas + static_cast<size_t>((y * sprite_.width + x0) * 4);
            for (int64_t x = x0; x < x1; ++x, from += bpp, to += 4) {
                Bgra colour;
                if (!source_colour(from, background, colour))
                    return problem_at(AsepriteProblem::colour_index_past_palette, frame, layer.name, from[0],
                                      palette_.colours());
                blend(to, colour, opacity);
            }
        }
        return {};
    }

    // A stored pixel as blue, green, red, alpha; false for an index past the frame's palette. The
    // transparent index of an indexed sprite is transparent on every layer but the background.
    bool source_colour(const uint8_t* pixel, bool background, Bgra& colour) const
    {
        switch (sprite_.mode) {
        case ColourMode::rgba: colour = {pixel[2], pixel[1], pixel[0], pixel[3]}; return true;
        case ColourMode::grayscale: colour = {pixel[0], pixel[0], pixel[0], pixel[1]}; return true;
        case ColourMode::indexed: break;
        }
        if (!background && pixel[0] == sprite_.transparent_index) {
            colour = {0, 0, 0, 0};
            return true;
        }
        if (pixel[0] >= palette_.colours()) return false;
        colour = palette_.colour(pixel[0]);
        return true;
    }

    struct Cached {
        size_t cel = SIZE_MAX;  // the cel whose pixels these are
        std::vector<uint8_t> pixels;
    };

    const Sprite& sprite_;
    const std::vector<int32_t>& link_target_;
    FramePalette palette_;
    std::vector<std::vector<uint32_t>> children_;  // each group's layers, and the top's last
    std::vector<int32_t> cel_here_;                // each layer's cel in the frame drawn, or -1
    std::vector<Cached> cached_;                   // each layer's last decoded cel
    std::vector<std::vector<uint8_t>> group_canvas_;  // one a depth, for groups composited apart
    size_t next_cel_ = 0;
    uint64_t inflated_ = 0;
    uint64_t blends_ = 0;
};

}  // namespace

AsepriteOutcome composite_frames(const Sprite& sprite, const std::vector<int32_t>& link_target, Animation& animation)
{
    Compositor compositor(sprite, link_target);
    animation.frames.resize(sprite.frames);
    for (uint32_t frame = 0; frame < sprite.frames; ++frame) {
        AsepriteOutcome outcome = compositor.draw_frame(frame, animation.frames[frame]);
        if (!outcome.ok()) return outcome;
    }
    animation.durations_ms = sprite.durations_ms;
    return {};
}

}  // namespace aseprite
