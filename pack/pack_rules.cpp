// The rules of every pack (see pack_rules.h).
#include "pack_rules.h"

#include "files.h"
#include "frameset.h"

PackProblem lay_out(const qfb_header& header, int32_t bits_per_pixel, qfb_file* layout)
{
    TargaHeader first;
    first.width = header.width;
    first.height = header.height;
    first.pixel_depth = static_cast<uint8_t>(bits_per_pixel);
    switch (check_capacity(first, header.frame_count, header.mipmap_count)) {
    case SetProblem::image_too_large:
        return PackProblem::of_kind(PackProblem::image_too_large, {}, image_bytes(header.width, header.height,
                                                                                   bits_per_pixel));
    case SetProblem::file_too_large: return PackProblem::of_kind(PackProblem::file_too_large);
    default: break;
    }
    qfb_layout(&header, layout);  // cannot fail once the file fits
    return {};
}

Shape place_shape(const Shape& top, int32_t level)
{
    return Shape{level_side(top.width, level), level_side(top.height, level), top.bits_per_pixel};
}

PackProblem check_place(const std::string& name, const Shape& found, const Shape& wanted, int32_t frame,
                        int32_t level)
{
    if (found == wanted) return {};
    PackProblem problem = PackProblem::of_kind(PackProblem::mismatch, name);
    problem.found = found;
    problem.wanted = wanted;
    problem.frame = frame;
    problem.level = level;
    return problem;
}

bool output_is_an_input(const std::string& output, const FrameList& frames)
{
    for (const FrameFiles& frame : frames)
        for (const ImageRef& image : frame)
            if (same_file(image.file, output)) return true;
    return false;
}
