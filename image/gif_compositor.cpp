// Compositing GIF frames as browsers show them. The facts of the format it relies on, and the
// browsers' reading of them:
// - The logical screen starts fully transparent: browsers ignore the background colour.
// - Each frame is drawn inside its rectangle, clipped to the screen; a pixel of the transparent
//   index is not drawn (what lies beneath shows), any other replaces the pixel beneath, opaque.
//   An index past the end of the colour table draws opaque black.
// - The disposal method of a frame is applied after it shows, before the next frame is drawn:
//   0 (unspecified) and 1 (leave) keep the frame; 2 (restore to background) clears its rectangle to
//   transparent; 3 (restore to previous) puts back the whole canvas as it was before the frame.
//   4 is read as 3 and 5 to 7 as 0, as Firefox and WebKit read them. A first frame restored to
//   previous leaves the transparent screen.
// - A frame shows for its delay in hundredths of a second, as shown_duration_ms gives it.
#include "gif_compositor.h"

#include <algorithm>
#include <cstring>

#include "frame_rate.h"

namespace {

constexpr int BYTES_PER_PIXEL = 4;

}  // namespace

AnimationResult GifCompositor::start(uint32_t width, uint32_t height)
{
    if (width == 0 || height == 0) return {AnimationProblem::empty_screen, 0};
    if (!frame_fits(width, height))
        return {AnimationProblem::screen_too_large, uint64_t{width} * height * BYTES_PER_PIXEL};
    canvas_.width = static_cast<int32_t>(width);
    canvas_.height = static_cast<int32_t>(height);
    canvas_.bits_per_pixel = 32;
    canvas_.pixels.assign(size_t{width} * height * BYTES_PER_PIXEL, 0);
    before_ = Image{};
    last_area_ = Area{};
    last_disposal_ = Disposal::keep;
    frames_ = 0;
    budget_ = DecodeBudget{};
    return {};
}

AnimationResult GifCompositor::admit(uint32_t width, uint32_t height)
{
    const uint64_t pixels = uint64_t{width} * height;
    if (!frame_fits(width, height)) return {AnimationProblem::frame_too_large, pixels * BYTES_PER_PIXEL};
    ++frames_;
    if (!budget_.take(canvas_.pixels.size() + pixels + FRAME_RECORD_BYTES))
        return {AnimationProblem::too_many_frames, frames_};
    return {};
}

AnimationResult GifCompositor::add(const GifFrame& frame, Animation& out)
{
    if (frame.colour_count == 0) return {AnimationProblem::no_colour_table, 0};
    dispose_previous();
    const Area area = clip(frame);
    last_disposal_ = shown_disposal(frame.disposal);
    last_area_ = area;
    if (last_disposal_ == Disposal::previous) before_ = canvas_;
    draw(frame, area);
    out.frames.push_back(canvas_);
    out.durations_ms.push_back(shown_duration_ms(uint32_t{frame.delay_cs} * 10));
    return {};
}

GifCompositor::Disposal GifCompositor::shown_disposal(uint8_t stored)
{
    switch (stored) {
    case 2: return Disposal::background;
    case 3:
    case 4: return Disposal::previous;
    default: return Disposal::keep;
    }
}

GifCompositor::Area GifCompositor::clip(const GifFrame& frame) const
{
    Area area;
    area.x0 = std::min<int32_t>(frame.left, canvas_.width);
    area.y0 = std::min<int32_t>(frame.top, canvas_.height);
    area.x1 = std::min<int32_t>(int32_t{frame.left} + frame.width, canvas_.width);
    area.y1 = std::min<int32_t>(int32_t{frame.top} + frame.height, canvas_.height);
    return area;
}

void GifCompositor::dispose_previous()
{
    if (last_disposal_ == Disposal::previous) {
        canvas_.pixels.swap(before_.pixels);
    } else if (last_disposal_ == Disposal::background) {
        const size_t bytes = static_cast<size_t>(last_area_.x1 - last_area_.x0) * BYTES_PER_PIXEL;
        for (int32_t y = last_area_.y0; y < last_area_.y1; ++y)
            std::memset(canvas_.row(y) + size_t(last_area_.x0) * BYTES_PER_PIXEL, 0, bytes);
    }
}

void GifCompositor::draw(const GifFrame& frame, const Area& area)
{
    if (area.x0 == area.x1 || area.y0 == area.y1) return;  // wholly outside the screen, or without pixels
    // Each index's blue, green, red, alpha: opaque black past the table's end, 0 where not drawn.
    std::array<uint8_t, 256 * 4> bgra{};
    for (int i = 0; i < 256; ++i) {
        uint8_t* to = &bgra[size_t(i) * 4];
        if (i < frame.colour_count) {
            to[0] = frame.colours[size_t(i) * 3 + 2];
            to[1] = frame.colours[size_t(i) * 3 + 1];
            to[2] = frame.colours[size_t(i) * 3];
        }
        to[3] = 255;
    }
    for (int32_t y = area.y0; y < area.y1; ++y) {
        const uint8_t* index = frame.indices.data() + size_t(y - frame.top) * frame.width + (area.x0 - frame.left);
        uint8_t* to = canvas_.row(y) + size_t(area.x0) * BYTES_PER_PIXEL;
        for (int32_t x = area.x0; x < area.x1; ++x, ++index, to += BYTES_PER_PIXEL)
            if (*index != frame.transparent) std::memcpy(to, &bgra[size_t(*index) * 4], BYTES_PER_PIXEL);
    }
}

AnimationProblem gif_signature(const uint8_t* data, size_t size)
{
    if (size == 0) return AnimationProblem::cut_short;
    static const char* const signatures[] = {"GIF89a", "GIF87a"};
    for (const char* signature : signatures)
        if (std::memcmp(data, signature, std::min<size_t>(size, 6)) == 0)
            return size < 6 ? AnimationProblem::cut_short : AnimationProblem::none;
    return AnimationProblem::not_gif;
}
