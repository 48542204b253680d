// qfbprep mipmaps BASE [--levels N] [--replace] [--keep-coverage T]: writes the mipmap levels that the frames lack,
// and those an earlier run made from a level that has changed since, each made from the level
// above, so that every frame ends with the same number of levels, each true to its source.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli.h"
#include "frameset.h"
#include "jobs.h"
#include "levels.h"
#include "frame_list.h"
#include "parallel.h"
#include "prep_texts.h"
#include "targa.h"
#include "targa_image.h"

namespace {

struct MipmapOptions {
    const char* base = nullptr;
    int levels = MAX_MIPMAP_LEVEL;  // without --levels: until a side would reach 0
    bool replace = false;
    int32_t keep_coverage = 0;  // 0: alpha as the reduction gives it
};

// mipmaps' options, one row each.
const OptionRow MIPMAPS_OPTIONS[] = {
    {"--levels", OptionValue::count, 1, MAX_MIPMAP_LEVEL},
    {"--keep-coverage", OptionValue::count, 1, 255},
    {"--replace"},
};

// False when the command line is wrong; said is true when that is printed already.
bool parse_options(int argc, char** argv, MipmapOptions& options, bool* said)
{
    CommandLine line;
    *said = !read_job_options(MIPMAPS_OPTIONS, argc, argv, line);
    if (*said || line.positional.size() != 1) return false;
    options.base = line.positional[0];
    options.levels = static_cast<int>(line.count("--levels", options.levels));
    options.keep_coverage = static_cast<int32_t>(line.count("--keep-coverage", options.keep_coverage));
    options.replace = line.has("--replace");
    return true;
}

// One frame's work: its levels as found (painted or made by an earlier run) and as they end,
// and the finished temporary files of those made now.
struct FramePlan {
    const SetFrame* frame;
    int32_t target;              // the frame ends with levels 1 .. target
    std::vector<Image> levels;   // 0 .. the last found (none past 0 with --replace), then the new ones
    std::vector<std::string> ids;  // each found level's image ID
    std::vector<StagedFile> files;
};

// Loads the frame's image and the levels it has, and checks the size of each level a new one
// could be made from.
bool plan_frame(const FrameSet& set, bool replace, FramePlan& plan)
{
    const int32_t number = plan.frame->number;
    for (int32_t level = 0; level <= plan.target; ++level) {
        if (member_name(set.base, number, level).empty()) {
            say_names_too_long(set.base.c_str());
            return false;
        }
    }
    const int32_t found = replace ? 0 : plan.frame->mipmaps;
    plan.levels.resize(static_cast<size_t>(found) + 1);
    plan.ids.resize(plan.levels.size());
    for (int32_t level = 0; level <= found; ++level) {
        const std::string name = member_name(set.base, number, level);
        Image& image = plan.levels[static_cast<size_t>(level)];
        const ImageProblem problem = load_image(name.c_str(), image, &plan.ids[static_cast<size_t>(level)]);
        if (!problem.ok()) {
            say_prep_image_problem(problem);
            return false;
        }
        // A painted level the next is made from must have its place's size in its frame, or the
        // new ones would be wrong too (a level made by an earlier run is made again).
        const Image& top = plan.levels[0];
        const int32_t width = level_side(top.width, level), height = level_side(top.height, level);
        uint64_t digest = 0;
        if (level > 0 && level < plan.target && level_origin(plan.ids[static_cast<size_t>(level)], &digest) == LevelOrigin::painted &&
            (image.width != width || image.height != height)) {
            say(PrepText::painted_level_size, name.c_str(), image.width, image.height, level, top.width, top.height, width, height);
            return false;
        }
    }
    return true;
}

// Makes and writes the levels the frame lacks or that are stale (see complete_levels).
void make_levels(const std::string& base, int32_t keep_coverage, FramePlan& plan)
{
    complete_levels(plan.levels, plan.ids, plan.target, [&](int32_t level, bool again) {
        const Image& made = plan.levels[static_cast<size_t>(level)];
        const std::string name = member_name(base, plan.frame->number, level);
        plan.files.emplace_back();
        StagedFile& staged = plan.files.back();
        staged.written = write_image(name, made, staged.file, generated_level_id(plan.levels[static_cast<size_t>(level) - 1]));
        staged.line = text_of(PrepText::level_made, name.c_str(), made.width, made.height, made.bits_per_pixel,
                              again ? text_of(PrepText::made_again).c_str() : "");
    }, keep_coverage);
    // Their memory can take the frames still to be read.
    std::vector<Image>().swap(plan.levels);
}

}  // namespace

int mipmaps_job(int argc, char** argv)
{
    MipmapOptions options;
    bool said = false;
    if (!parse_options(argc, argv, options, &said)) {
        if (!said) print_qfbprep_usage();
        return 1;
    }
    FrameSet set;
    const ImageProblem found = find_set(options.base, set);
    if (!found.ok()) {
        say_prep_image_problem(found);
        return 1;
    }

    // The first frame's full-size image sets the set's geometry, as in makeqfb.
    const std::string first_name = member_name(set.base, set.first_frame(), 0);
    TargaFile first;
    if (first.open(first_name.c_str()) != TargaError::none || !packable_depth(first.header().pixel_depth)) {
        Image refused;
        say_prep_image_problem(load_image(first_name.c_str(), refused));  // names the reason
        return 1;
    }
    const TargaHeader top = first.header();
    int32_t painted = 0;
    for (const SetFrame& frame : set.frames) painted = std::max(painted, frame.mipmaps);
    // Levels found are never removed: every frame is filled up to the most any frame has.
    const int32_t target = chain_length(top.width, top.height, options.levels, painted);

    // Every level found is read and checked in order, and each frame's levels made and written
    // into their temporary files (each frame on its own) while the next ones are read; the files
    // written are kept in order, what is said about the writing waits until every level found is
    // read, and the files take their names once all are written.
    std::vector<FramePlan> plans;
    for (const SetFrame& frame : set.frames) {
        if (target == 0) break;
        plans.push_back(FramePlan{&frame, target, {}, {}, {}});
        plans.back().levels.reserve(static_cast<size_t>(target) + 1);
    }
    Staging staging;
    const bool loaded = load_work_and_finish(
        plans.size(), [&](size_t i) { return plan_frame(set, options.replace, plans[i]); },
        [&](size_t i) { make_levels(set.base, options.keep_coverage, plans[i]); },
        [&](size_t i) {
            for (StagedFile& staged : plans[i].files) staging.keep(staged);
        });
    if (!loaded || !staging.finish()) return 1;
    const int32_t written = static_cast<int32_t>(staging.count());
    say(PrepText::mipmaps_done, written, written == 1 ? "" : "s", target);
    say_short_chain(top.width, top.height, target, options.levels);
    return 0;
}
