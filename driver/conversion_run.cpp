// The conversion run (see conversion_run.h), on the packing core's rules.
#include "conversion_run.h"

#include <cstdio>
#include <string>

#include "cli.h"
#include "frameset.h"
#include "output.h"
#include "pack_rules.h"
#include "makeqfb_texts.h"
#include "targa.h"

namespace {

// 24-bit 4444 becomes 1555 (there is no alpha to keep); 32-bit 565 drops the alpha.
PixelFormat settle_format(PixelFormat requested, int32_t bits_per_pixel)
{
    const auto packed = static_cast<PixelFormat>(qfb_packed_format(requested, bits_per_pixel / 8));
    if (packed != requested) {
        say(MakeqfbText::no_alpha_in_24);
    } else if (bits_per_pixel == 32 && requested == FORMAT_565) {
        say(MakeqfbText::alpha_dropped);
    }
    return packed;
}

// makeqfb's words for what the packing core refused; first_name is the set's first member.
void say_problem(const PackProblem& problem, const std::string& first_name)
{
    switch (problem.kind) {
    case PackProblem::none: return;
    case PackProblem::image: say_image_problem(problem.cause); return;
    case PackProblem::output_is_input: say_output_is_input(problem.name.c_str()); return;
    case PackProblem::image_too_large: say_image_too_large(first_name.c_str(), problem.value, "."); return;
    case PackProblem::file_too_large: say_file_too_large(text_of(MakeqfbText::set_too_large).c_str(), "."); return;
    case PackProblem::mismatch:
        say(MakeqfbText::mismatch, problem.name.c_str(), problem.found.width, problem.found.height, problem.found.bits_per_pixel,
                    problem.wanted.width, problem.wanted.height, problem.wanted.bits_per_pixel);
        return;
    }
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
    say(MakeqfbText::geometry, h.width, h.height, h.pixel_depth);
    if (!packable_depth(h.pixel_depth)) {
        say(MakeqfbText::only_24_and_32);
        return 1;
    }
    const PixelFormat written = settle_format(format, h.pixel_depth);
    // Both buffers are fixed: a set whose images or whole file would not fit is refused before any
    // work, as is an output that would destroy one of the set's files.
    const qfb_header header = {h.width, h.height, written, fps, set.frame_count(), set.mipmap_count()};
    const FrameList frames = frames_of_set(set);
    qfb_file layout;
    PackProblem problem = lay_out(header, h.pixel_depth, &layout);
    if (problem.ok() && output_is_an_input(output_name, frames))
        problem = PackProblem::of_kind(PackProblem::output_is_input, output_name);
    if (problem.ok()) {
        reset_output();
        advise_huge_pages(output_buffer, OUTPUT_BUFFER_CAPACITY);
        write_header(header);
        problem = convert_frames(frames, layout, first, written);
    }
    if (!problem.ok()) {
        say_problem(problem, first_name);
        return 1;
    }

    const WriteStatus saved = save_output(output_name.c_str());
    if (saved != WriteStatus::ok) {
        // The system's reason, when there is one, in brackets after the name.
        const std::string reason = write_failure_reason(saved);
        say(MakeqfbText::cannot_write, output_name.c_str(),
            reason.empty() ? "" : text_of(MakeqfbText::reason_in_brackets, reason.c_str()).c_str());
        return 1;
    }
    say(MakeqfbText::created, output_name.c_str(), output_size());
    say(MakeqfbText::complete);
    return 0;
}
