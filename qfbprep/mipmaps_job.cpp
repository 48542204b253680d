// qfbprep mipmaps BASE [--levels N] [--replace]: writes the mipmap levels that the frames lack,
// each made from the level above, so that every frame ends with the same number of levels.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli.h"
#include "frameset.h"
#include "jobs.h"
#include "parallel.h"
#include "targa.h"

namespace {

struct MipmapOptions {
    const char* base = nullptr;
    int levels = MAX_MIPMAP_LEVEL;  // without --levels: until a side would reach 0
    bool replace = false;
};

// False when the command line is wrong; said is true when that is printed already.
bool parse_options(int argc, char** argv, MipmapOptions& options, bool* said)
{
    *said = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--replace") == 0) {
            options.replace = true;
        } else if (std::strcmp(argv[i], "--levels") == 0) {
            if (!count_option(argc, argv, i, 1, MAX_MIPMAP_LEVEL, &options.levels, said)) return false;
        } else if (options.base == nullptr && argv[i][0] != '-') {
            options.base = argv[i];
        } else {
            return false;
        }
    }
    return options.base != nullptr;
}

// Reduced levels that keep both sides at 1 or more.
int32_t levels_that_fit(int32_t width, int32_t height)
{
    int32_t levels = 0;
    while (levels < MAX_MIPMAP_LEVEL && level_side(width, levels + 1) > 0 && level_side(height, levels + 1) > 0) ++levels;
    return levels;
}

// One frame's work: the level above the first new one, the new levels made from it, and their
// finished temporary files.
struct FramePlan {
    const SetFrame* frame;
    int32_t from, to;  // the new levels
    Image above;
    std::vector<Image> levels;  // only their sizes once written
    std::vector<StagedFile> files;
};

// Loads the level that the frame's first new level is made from, and checks its size.
bool plan_frame(const FrameSet& set, FramePlan& plan)
{
    const int32_t number = plan.frame->number, source = plan.from - 1;
    for (int32_t level = plan.from; level <= plan.to; ++level) {
        if (member_name(set.base, number, level).empty()) {
            say_names_too_long(set.base.c_str());
            return false;
        }
    }
    const std::string top_name = member_name(set.base, number, source);
    const LoadRefusal refusal = load_image(top_name.c_str(), plan.above);
    if (refusal.kind != LoadRefusal::none) {
        say_not_loaded("Targa", top_name.c_str(), refusal);
        return false;
    }
    if (source == 0) return true;
    // A painted level the new ones are made from must have its place's size in its frame, or the
    // new ones would be wrong too.
    TargaFile frame;
    if (frame.open(member_name(set.base, number, 0).c_str()) != TargaError::none) return true;
    const TargaHeader& h = frame.header();
    const int32_t width = level_side(h.width, source), height = level_side(h.height, source);
    if (plan.above.width != width || plan.above.height != height) {
        std::printf("%s is %d x %d, but level %d of a %d x %d frame must be %d x %d, half the level above: "
                    "resize it, or make every level again with --replace.\n",
                    top_name.c_str(), plan.above.width, plan.above.height, source, h.width, h.height, width, height);
        return false;
    }
    return true;
}

void make_levels(const std::string& base, FramePlan& plan)
{
    const Image* above = &plan.above;
    for (int32_t level = plan.from; level <= plan.to; ++level) {
        plan.levels.push_back(halve_image(*above));
        above = &plan.levels.back();
    }
    // Their memory can take the frames still to be read.
    std::vector<uint8_t>().swap(plan.above.pixels);
    plan.files.resize(plan.levels.size());
    for (size_t i = 0; i < plan.levels.size(); ++i) {
        Image& image = plan.levels[i];
        const std::string name = member_name(base, plan.frame->number, plan.from + static_cast<int32_t>(i));
        plan.files[i].written = write_image(name, image, plan.files[i].file);
        plan.files[i].line = text("%s:  %d x %d, %dbpp.\n", name.c_str(), image.width, image.height, image.bits_per_pixel);
        std::vector<uint8_t>().swap(image.pixels);
    }
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
    if (!find_set_or_say(options.base, set)) return 1;

    // The first frame's full-size image sets the set's geometry, as in makeqfb.
    const std::string first_name = member_name(set.base, set.first_frame(), 0);
    TargaFile first;
    if (first.open(first_name.c_str()) != TargaError::none || !packable_depth(first.header().pixel_depth)) {
        Image refused;
        say_not_loaded("Targa", first_name.c_str(), load_image(first_name.c_str(), refused));  // names the reason
        return 1;
    }
    const TargaHeader top = first.header();
    int32_t painted = 0;
    for (const SetFrame& frame : set.frames) painted = std::max(painted, frame.mipmaps);
    const int32_t wanted = std::min<int32_t>(options.levels, levels_that_fit(top.width, top.height));
    // Painted levels are never removed: every frame is filled up to the most any frame has.
    const int32_t target = std::max(wanted, painted);

    // Every source level is read and checked in order, and each frame's new levels made and
    // written into their temporary files (each frame on its own) while the next ones are read;
    // the files written are kept in order, what is said about the writing waits until every
    // source level is read, and the files take their names once all are written.
    std::vector<FramePlan> plans;
    for (const SetFrame& frame : set.frames) {
        const int32_t from = options.replace ? 1 : frame.mipmaps + 1;
        if (from > target) continue;
        plans.push_back(FramePlan{&frame, from, target, Image(), {}, {}});
        plans.back().levels.reserve(static_cast<size_t>(target - from + 1));
    }
    Staging staging;
    const bool loaded = load_work_and_finish(
        plans.size(), [&](size_t i) { return plan_frame(set, plans[i]); },
        [&](size_t i) { make_levels(set.base, plans[i]); },
        [&](size_t i) {
            for (StagedFile& staged : plans[i].files) staging.keep(staged);
        });
    if (!loaded || !staging.finish()) return 1;
    const int32_t written = static_cast<int32_t>(staging.count());
    std::printf("%d mipmap level%s written; every frame has %d.\n", written, written == 1 ? "" : "s", target);
    return 0;
}
