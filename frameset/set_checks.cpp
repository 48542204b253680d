// The rules of a packable frame set (see frameset.h).
#include "frameset.h"

#include <qfb/qfb.h>

SetProblem check_member(const TargaHeader& first, const TargaHeader& member, int32_t level)
{
    if (!packable_depth(member.pixel_depth)) return SetProblem::wrong_depth;
    if (member.pixel_depth != first.pixel_depth) return SetProblem::depth_mismatch;
    if (member.width == level_side(first.width, level) && member.height == level_side(first.height, level))
        return SetProblem::none;
    return level == 0 ? SetProblem::frame_size_mismatch : SetProblem::level_size_mismatch;
}

uint64_t image_bytes(int32_t width, int32_t height, int32_t bits_per_pixel)
{
    return uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height) * static_cast<uint32_t>(bits_per_pixel / 8);
}

SetProblem check_capacity(const TargaHeader& first, int32_t frame_count, int32_t mipmap_count)
{
    if (image_bytes(first.width, first.height, first.pixel_depth) > MAX_IMAGE_BYTES) return SetProblem::image_too_large;
    // Neither the format nor the rate changes the file's size.
    const qfb_header header = {first.width, first.height, QFB_FORMAT_565, 1, frame_count, mipmap_count};
    qfb_file layout;
    if (qfb_layout(&header, &layout) != QFB_OK || layout.size > QFB_MAX_FILE_SIZE) return SetProblem::file_too_large;
    return SetProblem::none;
}
