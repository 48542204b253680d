// The frame and mipmap loop (see conversion_run.h), on the packing core's Targa path.
#include "conversion_run.h"

#include <cstdio>

#include "makeqfb_texts.h"
#include "pack_rules.h"
#include "targa_member.h"

static_assert(PIXEL_BUFFER_SIZE >= MAX_IMAGE_BYTES, "a run-length member is decoded into the pixel buffer");

namespace {

// makeqfb's progress: each member's name, which its converter's notice completes.
class Progress : public PackEvents {
public:
    void member(const std::string& name) override { say(MakeqfbText::member, name.c_str()); }
    void converting(int32_t bits_per_pixel, int32_t format) override
    {
        std::fputs(converter_for(bits_per_pixel, static_cast<PixelFormat>(format)).notice, stdout);
    }
};

}  // namespace

PackProblem convert_frames(const FrameList& frames, const qfb_file& layout, TargaFile& first, PixelFormat format)
{
    Progress progress;
    // A member is held to its place before its pixels are located; a run-length one is decoded
    // into the pixel buffer.
    const TargaPath path{format, false, pixel_buffer, &progress};
    const TargaHeader& h = first.header();
    const Shape top{h.width, h.height, h.pixel_depth};
    qfb_level level;
    for (int more = qfb_first_level(&layout, &level); more; more = qfb_next_level(&layout, &level)) {
        // The first member is open already; every other is opened by the core, once.
        const bool is_first = level.frame == 0 && level.level == 0;
        const PackProblem problem =
            put_targa_member(path, frames[static_cast<size_t>(level.frame)][static_cast<size_t>(level.level)].file,
                             is_first ? &first : nullptr,
                             MemberPlace{output_cursor, place_shape(top, level.level), level.frame, level.level});
        if (!problem.ok()) return problem;
        output_cursor += level.size;
    }
    return {};
}
