// qfbprep import BASE [--mipmap-of N] [--replace] FILE...: PNG files, in the order given, become
// the frames (or frame N's mipmap levels) of the set named by BASE, as 32-bit Targa files, top
// row first. Frames or levels past the last imported are refused, or removed with --replace.
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli.h"
#include "frameset.h"
#include "image_files.h"
#include "jobs.h"
#include "prep_texts.h"
#include "targa_image.h"

namespace {

// import's options, one row each. Frame numbers in names are counted in an int; the largest
// leaves room for the walk.
const OptionRow IMPORT_OPTIONS[] = {
    {"--mipmap-of", OptionValue::count, 0, 99999999},
    {"--replace"},
};

}  // namespace

int import_job(int argc, char** argv)
{
    CommandLine line;
    if (!read_job_options(IMPORT_OPTIONS, argc, argv, line)) return 1;
    if (line.positional.size() < 2) {
        print_qfbprep_usage();
        return 1;
    }
    const char* base = line.positional[0];
    const int mipmap_of = static_cast<int>(line.count("--mipmap-of", -1));  // -1: the files are frames
    const bool replace = line.has("--replace");
    const std::vector<const char*> sources(line.positional.begin() + 1, line.positional.end());  // in order
    if (say_if_folder(base)) return 1;
    if (std::strrchr(base, '.') == nullptr) {
        say_no_extension(base);
        return 1;
    }
    const int count = static_cast<int>(sources.size());
    if (mipmap_of >= 0 && count > MAX_MIPMAP_LEVEL) {
        say(PrepText::too_many_levels, MAX_MIPMAP_LEVEL, count);
        return 1;
    }

    // Frames past the last imported (and a frame 0000, where makeqfb would start), or levels past
    // the last of the frame, would be packed with the new ones.
    const std::vector<std::string> leftovers = leftover_files(base, mipmap_of < 0, [&](const SetFile& file) {
        if (mipmap_of >= 0) return file.frame == mipmap_of && file.level > count;
        return file.frame != SINGLE_IMAGE && (file.frame == 0 || file.frame > count);
    });
    if (!refuse_leftovers(base, "import", leftovers, replace)) return 1;

    std::vector<AtomicFile> batch(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const char* source = sources[static_cast<size_t>(i)];
        const std::string name =
            mipmap_of >= 0 ? member_name(base, mipmap_of, i + 1) : member_name(base, i + 1, 0);
        if (name.empty()) {
            say_names_too_long(base);
            return 1;
        }
        Image image;
        const ImageProblem problem = load_png(source, image);
        if (!problem.ok()) {
            say_prep_image_problem(problem);
            return 1;
        }
        const WriteStatus written = write_image(name, image, batch[static_cast<size_t>(i)]);
        if (written != WriteStatus::ok) {
            say_unwritable_targa(name.c_str(), write_failure_text(written));
            return 1;
        }
        say(PrepText::imported, name.c_str(), image.width, image.height, source);
    }
    if (!commit_batch(batch) || !remove_leftovers(leftovers)) return 1;
    say(PrepText::import_done, count, count == 1 ? "" : "s");
    return 0;
}
