// The conversion run (see conversion_run.h).
#include "conversion_run.h"

#include <cstdio>
#include <string>

#include "cli.h"
#include "frameset.h"
#include "output.h"
#include "targa.h"

namespace {

// 24-bit 4444 becomes 1555 (there is no alpha to keep); 32-bit 565 drops the alpha.
PixelFormat settle_format(PixelFormat requested, int32_t bits_per_pixel)
{
    const auto packed = static_cast<PixelFormat>(qfb_packed_format(requested, bits_per_pixel / 8));
    if (packed != requested) {
        std::printf("There's no alpha in a 24bpp image!  Using 1555 format instead.\n");
    } else if (bits_per_pixel == 32 && requested == FORMAT_565) {
        std::printf("Alpha channel is being dropped.\n");
    }
    return packed;
}

// Both buffers are fixed: refuse a set whose images or whole file would not fit, before any work.
bool fits(const char* first_name, const TargaHeader& first, const FrameSet& set)
{
    switch (check_capacity(first, set.frame_count(), set.mipmap_count())) {
    case SetProblem::image_too_large:
        say_image_too_large(first_name, image_bytes(first.width, first.height, first.pixel_depth), ".");
        return false;
    case SetProblem::file_too_large:
        std::printf("This frame set is too large: its QFB file would be larger than the %zu bytes a QFB file may have.\n",
                    OUTPUT_BUFFER_CAPACITY);
        return false;
    default: return true;
    }
}

// True when the output name leads to the same file as a member of the set (a single image named
// "x.qfb", or an output that links to a frame): saving would destroy that input.
bool output_is_an_input(const char* output_name, const FrameSet& set, const qfb_file& layout)
{
    qfb_level level;
    for (int more = qfb_first_level(&layout, &level); more; more = qfb_next_level(&layout, &level)) {
        const std::string name = member_name(set.base, member_frame(set.first_frame(), level.frame), level.level);
        if (same_file(name, output_name)) return true;
    }
    return false;
}

}  // namespace

int run_conversion(PixelFormat format, int32_t fps, const FrameSet& set)
{
    // The output lands beside the input: the stem (all before the last ".") and ".qfb".
    const std::string first_name = member_name(set.base, set.first_frame(), 0);
    const std::string output_name = set.base.substr(0, set.base.rfind('.')) + ".qfb";
    if (first_name.empty() || output_name.size() > NAME_BUFFER_SIZE - 1) {
        say_names_too_long(set.base.c_str());
        return 1;
    }

    TargaFile first;
    const TargaError why = first.open(first_name.c_str());
    if (why != TargaError::none) {
        say_unreadable_targa(first_name.c_str(), targa_error_text(why));
        return 1;
    }
    const TargaHeader& h = first.header();
    std::printf("%d x %d, %dbpp\n", h.width, h.height, h.pixel_depth);
    if (!packable_depth(h.pixel_depth)) {
        std::printf("Only 24 and 32 bit Targas are supported.\n");
        return 1;
    }
    const PixelFormat written = settle_format(format, h.pixel_depth);
    if (!fits(first_name.c_str(), h, set)) return 1;
    const qfb_header header = {h.width, h.height, written, fps, set.frame_count(), set.mipmap_count()};
    qfb_file layout;
    qfb_layout(&header, &layout);  // cannot fail once the set fits
    if (output_is_an_input(output_name.c_str(), set, layout)) {
        say_output_is_input(output_name.c_str());
        return 1;
    }

    reset_output();
    advise_huge_pages(output_buffer, OUTPUT_BUFFER_CAPACITY);
    write_header(header);
    MemberMismatch mismatch;
    switch (convert_frames(set, layout, first, written, &mismatch)) {
    case FrameLoopResult::converted:
        break;
    case FrameLoopResult::mismatch:
        std::printf("Not all frames are of the same size and bits-per-pixel: %s is %d x %d, %dbpp, but must be %d x %d, "
                    "%dbpp.\n",
                    mismatch.name.c_str(), mismatch.found.width, mismatch.found.height, mismatch.found.pixel_depth,
                    mismatch.width, mismatch.height, mismatch.bits_per_pixel);
        return 1;
    case FrameLoopResult::unreadable:
        return 1;
    }

    const WriteStatus saved = save_output(output_name.c_str());
    if (saved != WriteStatus::ok) {
        // The system's reason, when there is one, in brackets after the name.
        const std::string reason = write_failure_reason(saved);
        std::printf("Couldn't write file: %s%s\n", output_name.c_str(), reason.empty() ? "" : (" (" + reason + ")").c_str());
        return 1;
    }
    std::printf("qfb file created:  %s (%zu bytes)\nConversion complete.\n", output_name.c_str(), output_size());
    return 0;
}
