// What is drawn: each layer's visibility (a hidden group hides everything in it), the cels'
// layers and types, the linked cels' originals, and the refusal of every feature of a drawn
// layer or cel that the reader does not draw as the editor does. Hidden layers may hold anything.
#include <unordered_map>

#include "aseprite_parts.h"

namespace aseprite {

AsepriteOutcome check_layers(Sprite& sprite)
{
    for (Layer& layer : sprite.layers) {
        // A group's chunk comes before its children's: its own visibility is known.
        const bool parent_shown = layer.parent < 0 || sprite.layers[static_cast<size_t>(layer.parent)].shown;
        layer.shown = parent_shown && (layer.flags & VISIBLE);
        if (!layer.shown) continue;
        if (layer.type == TILEMAP_LAYER) return problem(AsepriteProblem::tilemap_layer, layer.name);
        if (layer.flags & REFERENCE) return problem(AsepriteProblem::reference_layer, layer.name);
        // A group's blend mode counts only when groups are composited apart.
        const bool blends = layer.type == IMAGE_LAYER || (sprite.flags & GROUPS_COMPOSITED);
        if (blends && layer.blend_mode != 0)
            return problem(AsepriteProblem::blend_mode_not_supported, layer.name, layer.blend_mode);
    }
    return {};
}

AsepriteOutcome check_cels(const Sprite& sprite, std::vector<int32_t>& link_target)
{
    const auto key = [](uint32_t layer, uint32_t frame) { return uint64_t{layer} << 32 | frame; };
    std::unordered_map<uint64_t, int32_t> cel_of;  // (layer, frame) to the cel's index
    cel_of.reserve(sprite.cels.size());
    for (size_t i = 0; i < sprite.cels.size(); ++i) {
        const Cel& cel = sprite.cels[i];
        if (cel.layer >= sprite.layers.size())
            return problem_at(AsepriteProblem::cel_bad_layer, cel.frame, {}, cel.layer,
                              static_cast<int64_t>(sprite.layers.size()));
        const Layer& layer = sprite.layers[cel.layer];
        if (layer.type == GROUP_LAYER) return problem_at(AsepriteProblem::cel_on_group, cel.frame, layer.name);
        if (!cel_of.emplace(key(cel.layer, cel.frame), static_cast<int32_t>(i)).second)
            return problem_at(AsepriteProblem::duplicate_cel, cel.frame, layer.name);
        if (cel.type > TILEMAP_CEL) return problem_at(AsepriteProblem::unknown_cel_type, cel.frame, layer.name, cel.type);
        if (cel.type == TILEMAP_CEL && layer.type != TILEMAP_LAYER)
            return problem_at(AsepriteProblem::tilemap_cel_on_image_layer, cel.frame, layer.name);
        if (!layer.shown) continue;
        if (cel.z_index != 0) return problem_at(AsepriteProblem::cel_z_index, cel.frame, layer.name, cel.z_index);
        if (cel.precise_bounds) return problem_at(AsepriteProblem::cel_precise_bounds, cel.frame, layer.name);
    }
    // A linked cel shows the image cel of its layer in the frame it names.
    link_target.assign(sprite.cels.size(), -1);
    for (size_t i = 0; i < sprite.cels.size(); ++i) {
        const Cel& cel = sprite.cels[i];
        const Layer& layer = sprite.layers[cel.layer];
        if (cel.type != LINKED_CEL || !layer.shown) continue;
        const auto original = cel_of.find(key(cel.layer, cel.link_frame));
        if (original == cel_of.end() || sprite.cels[static_cast<size_t>(original->second)].type == LINKED_CEL)
            return problem_at(AsepriteProblem::bad_link, cel.frame, layer.name, cel.link_frame + 1);
        link_target[i] = original->second;
    }
    return {};
}

}  // namespace aseprite
