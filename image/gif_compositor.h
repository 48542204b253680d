// A GIF file's frames as the file stores them (GifFrame), and the compositing of them into whole
// frames as a browser shows them (GifCompositor). Any GIF decoder feeds the same compositor: giflib
// here (gif_reader.h), the Windows Imaging Component on Windows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "animation.h"
#include "animation_limits.h"
#include "animation_problem.h"
#include "image.h"

// One image of a GIF file, before compositing: what its descriptor, graphic control block and
// colour table say, and its pixels as colour indices.
struct GifFrame {
    uint16_t left = 0, top = 0, width = 0, height = 0;  // its rectangle on the logical screen, which it may pass
    std::vector<uint8_t> indices;                       // width x height colour indices, top row first, deinterlaced
    std::array<uint8_t, 256 * 3> colours{};             // red, green, blue of each entry of its colour table
    uint16_t colour_count = 0;                          // entries of the table (local, else global); 0: none
    int16_t transparent = -1;                           // the index that is not drawn, or -1
    uint8_t disposal = 0;                               // the disposal method as stored, 0 to 7
    uint16_t delay_cs = 0;                              // the delay as stored, in hundredths of a second
};

// The signature of a GIF file at data[0, size): the known versions only (GIF89a, GIF87a); bytes
// that end inside it are a file cut short (cut_short, not_gif, or none).
AnimationProblem gif_signature(const uint8_t* data, size_t size);

class GifCompositor {
public:
    // Starts on a fully transparent logical screen of width x height: empty_screen, screen_too_large.
    AnimationResult start(uint32_t width, uint32_t height);
    // Before a frame of width x height pixels is decoded, counts what it will cost against the
    // bound: frame_too_large, too_many_frames.
    AnimationResult admit(uint32_t width, uint32_t height);
    // Draws an admitted frame over what the frame before left, and appends the whole frame and the
    // time it shows to out: no_colour_table.
    AnimationResult add(const GifFrame& frame, Animation& out);

private:
    struct Area {
        int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // clipped to the screen; x1, y1 past the end
    };
    enum class Disposal { keep, background, previous };

    static Disposal shown_disposal(uint8_t stored);
    Area clip(const GifFrame& frame) const;
    void dispose_previous();
    void draw(const GifFrame& frame, const Area& area);

    Image canvas_;
    Image before_;  // the canvas as it was before the last frame, when that frame restores it
    Area last_area_;
    Disposal last_disposal_ = Disposal::keep;
    uint64_t frames_ = 0;
    DecodeBudget budget_;
};
