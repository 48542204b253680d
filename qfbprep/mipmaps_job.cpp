// qfbprep mipmaps BASE [--levels N] [--replace]: writes the mipmap levels that the frames lack,
// each made from the level above, so that every frame ends with the same number of levels.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "driver/frame_names.h"
#include "qfbprep/jobs.h"
#include "qfbprep/parallel.h"
#include "qfbprep/prep_set.h"
#include "qfbprep/reduce.h"
#include "qfbprep/staged_files.h"
#include "targa/targa_header.h"

namespace {

struct MipmapOptions {
    const char* base = nullptr;
    int levels = MAX_MIPMAP_LEVEL;  // without --levels: until a side would reach 0
    bool replace = false;
};

bool parse_options(int argc, char** argv, MipmapOptions& options)
{
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--replace") == 0) {
            options.replace = true;
        } else if (std::strcmp(argv[i], "--levels") == 0) {
            if (++i == argc || !parse_count(argv[i], 1, MAX_MIPMAP_LEVEL, &options.levels)) return false;
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
    while (levels < MAX_MIPMAP_LEVEL && (width >> (levels + 1)) > 0 && (height >> (levels + 1)) > 0) ++levels;
    return levels;
}

// One frame's work: the level above the first new one, the new levels made from it, and their
// temporary files.
struct FramePlan {
    const PrepFrame* frame;
    int32_t from, to;  // the new levels
    Image above;
    std::vector<Image> levels;  // only their sizes once written
    std::vector<StagedWrite> written;
};

// Loads the level that the frame's first new level is made from, and checks its size.
bool plan_frame(const PrepSet& set, FramePlan& plan)
{
    const int32_t number = plan.frame->number, source = plan.from - 1;
    for (int32_t level = plan.from; level <= plan.to; ++level) {
        if (member_name(set.base, number, level).empty()) {
            print_names_too_long(set.base.c_str());
            return false;
        }
    }
    const std::string top_name = member_name(set.base, number, source);
    if (!load_image(top_name.c_str(), plan.above)) return false;
    if (source == 0) return true;
    // A painted level the new ones are made from must have its place's size, or the new ones
    // would be wrong too.
    const std::string first = member_name(set.base, number, 0);
    int32_t width = 0, height = 0, depth = 0;
    if (read_targa_info(first.c_str(), &width, &height, &depth) == 0 &&
        (plan.above.width != width >> source || plan.above.height != height >> source)) {
        std::printf("%s is %d x %d, but level %d of a %d x %d frame must be %d x %d, half the level above: "
                    "resize it, or make every level again with --replace.\n",
                    top_name.c_str(), plan.above.width, plan.above.height, source, width, height, width >> source,
                    height >> source);
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
    for (int32_t level = plan.from; level <= plan.to; ++level) {
        Image& image = plan.levels[static_cast<size_t>(level - plan.from)];
        plan.written.push_back(StagedFiles::write(member_name(base, plan.frame->number, level), image));
        std::vector<uint8_t>().swap(image.pixels);
    }
}

}  // namespace

int mipmaps_job(int argc, char** argv)
{
    MipmapOptions options;
    if (!parse_options(argc, argv, options)) {
        print_qfbprep_usage();
        return 1;
    }
    PrepSet set;
    if (!find_prep_set_or_say(options.base, set)) return 1;

    // The first frame's full-size image sets the set's geometry, as in makeqfb.
    const std::string first = member_name(set.base, set.frames[0].number, 0);
    int32_t width = 0, height = 0, depth = 0;
    if (read_targa_info(first.c_str(), &width, &height, &depth) != 0 || (depth != 24 && depth != 32)) {
        Image refused;
        load_image(first.c_str(), refused);  // names the file and the reason
        return 1;
    }
    int32_t painted = 0;
    for (const PrepFrame& frame : set.frames) painted = std::max(painted, frame.mipmaps);
    const int32_t wanted = std::min<int32_t>(options.levels, levels_that_fit(width, height));
    // Painted levels are never removed: every frame is filled up to the most any frame has.
    const int32_t target = std::max(wanted, painted);

    // Every source level is read and checked in order, and each frame's new levels made and
    // written into their temporary files (each frame on its own) while the next ones are read;
    // the files written are kept in order, what is said about the writing waits until every
    // source level is read, and the files take their names once all are written.
    std::vector<FramePlan> plans;
    for (const PrepFrame& frame : set.frames) {
        const int32_t from = options.replace ? 1 : frame.mipmaps + 1;
        if (from > target) continue;
        plans.push_back(FramePlan{&frame, from, target, Image(), {}, {}});
        plans.back().levels.reserve(static_cast<size_t>(target - from + 1));
    }
    StagedFiles staged(true);
    bool staged_all = true;
    int32_t written = 0;
    const bool loaded = load_work_and_finish(
        plans.size(), [&](size_t i) { return plan_frame(set, plans[i]); }, [&](size_t i) { make_levels(set.base, plans[i]); },
        [&](size_t i) {
            FramePlan& plan = plans[i];
            for (int32_t level = plan.from; level <= plan.to && staged_all; ++level) {
                const std::string name = member_name(set.base, plan.frame->number, level);
                const size_t at = static_cast<size_t>(level - plan.from);
                const Image& image = plan.levels[at];
                staged_all = staged.keep(name, std::move(plan.written[at]));
                if (staged_all) {
                    staged.say("%s:  %d x %d, %dbpp.\n", name.c_str(), image.width, image.height, image.bits_per_pixel);
                    ++written;
                }
            }
        });
    if (!loaded) return 1;
    staged.print_held();
    if (!staged_all || !staged.commit_all()) return 1;
    std::printf("%d mipmap level%s written; every frame has %d.\n", written, written == 1 ? "" : "s", target);
    return 0;
}
