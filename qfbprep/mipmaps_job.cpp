// qfbprep mipmaps BASE [--levels N] [--replace]: writes the mipmap levels that the frames lack,
// each made from the level above, so that every frame ends with the same number of levels.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "driver/frame_names.h"
#include "qfbprep/jobs.h"
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

// Makes levels from..to of one frame from the level above from, staging each new file.
bool fill_frame(const PrepSet& set, const PrepFrame& frame, int32_t from, int32_t to, StagedFiles& staged,
                int32_t* written)
{
    const std::string top_name = member_name(set.base, frame.number, from - 1);
    Image above;
    if (!load_image(top_name.c_str(), above)) return false;
    if (from - 1 > 0) {
        // A painted level the new ones are made from must have its place's size, or the new
        // ones would be wrong too.
        const std::string first = member_name(set.base, frame.number, 0);
        int32_t width = 0, height = 0, depth = 0;
        if (read_targa_info(first.c_str(), &width, &height, &depth) == 0 &&
            (above.width != width >> (from - 1) || above.height != height >> (from - 1))) {
            std::printf("%s is %d x %d, but level %d of a %d x %d frame must be %d x %d, half the level above: "
                        "resize it, or make every level again with --replace.\n",
                        top_name.c_str(), above.width, above.height, from - 1, width, height, width >> (from - 1),
                        height >> (from - 1));
            return false;
        }
    }
    for (int32_t level = from; level <= to; ++level) {
        const std::string name = member_name(set.base, frame.number, level);
        if (name.empty()) {
            print_names_too_long(set.base.c_str());
            return false;
        }
        Image below = halve_image(above);
        if (!staged.stage(name, encode_targa(below))) return false;
        std::printf("%s:  %d x %d, %dbpp.\n", name.c_str(), below.width, below.height, below.bits_per_pixel);
        ++*written;
        above = std::move(below);
    }
    return true;
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
    Image first_image;
    if (!load_image(first.c_str(), first_image)) return 1;
    int32_t painted = 0;
    for (const PrepFrame& frame : set.frames) painted = std::max(painted, frame.mipmaps);
    const int32_t wanted = std::min<int32_t>(options.levels, levels_that_fit(first_image.width, first_image.height));
    // Painted levels are never removed: every frame is filled up to the most any frame has.
    const int32_t target = std::max(wanted, painted);

    StagedFiles staged;
    int32_t written = 0;
    for (const PrepFrame& frame : set.frames) {
        const int32_t from = options.replace ? 1 : frame.mipmaps + 1;
        if (from <= target && !fill_frame(set, frame, from, target, staged, &written)) return 1;
    }
    if (!staged.commit_all()) return 1;
    std::printf("%d mipmap level%s written; every frame has %d.\n", written, written == 1 ? "" : "s", target);
    return 0;
}
