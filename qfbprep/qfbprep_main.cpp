// The qfbprep command line, and what its jobs share (see jobs.h).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli.h"
#include "jobs.h"
#include "levels.h"
#include "platform.h"
#include "prep_texts.h"

QFB_MESSAGE_FUNCTIONS(PrepText, QFBPREP_TEXTS)

void print_qfbprep_usage()
{
    print_usage_banner("qfbprep - Pack images into a QFB file in one step, or prepare the Targa files\n"
                       "          of a frame set before makeqfb packs them.\n"
                       "usage:    qfbprep pack <1555|4444|565> <fps> <output.qfb> <frames>...\n"
                       "                  [--mipmaps [N]] [--keep-coverage T] [--alpha-threshold A]\n"
                       "                  [--bleed] [--dither [M]] [--strength S] [--as-given]\n"
                       "                  [--grid CxR | --cell WxH] [--cells N] [--tag NAME] [--watch]\n"
                       "          qfbprep check <base filename>\n"
                       "          qfbprep mipmaps <base filename> [--levels N] [--keep-coverage T]\n"
                       "                  [--replace]\n"
                       "          qfbprep dither <1555|4444|565> <base filename> <folder> [--method M]\n"
                       "                  [--strength S] [--bleed] [--replace]\n"
                       "          qfbprep import <base filename> [--mipmap-of N] [--replace] <PNG file>...\n",
                       "pack     packs the frames into the QFB file, writing nothing else: <frames>\n"
                       "         is a base filename (its set as makeqfb finds it) or image files, in\n"
                       "         natural order (run-2 before run-10) unless --as-given: PNG and Targa\n"
                       "         files (with --grid or --cell sprite sheets cut into cells, --cells\n"
                       "         the first N), GIF and WebP files (every frame), Aseprite files\n"
                       "         (every frame, or those of --tag NAME).  <fps> auto: the rate of the\n"
                       "         frames' durations, when they are equal.  A frame may be a quoted\n"
                       "         pattern ('art/run-*.png': *, ? and [...] in the file name).\n"
                       "         --watch packs again whenever the frames' folders change, until\n"
                       "         Ctrl-C, keeping the last good file when a pack fails.\n"
                       "         --mipmaps makes the levels the frames lack, as mipmaps does;\n"
                       "         --alpha-threshold A makes alpha below A fully transparent and the\n"
                       "         rest opaque; --bleed and --dither do as they do for dither.\n"
                       "check    prints the set as makeqfb sees it, and every file it will not use\n"
                       "         or will refuse, with what to do; status 1 when there is any.\n"
                       "mipmaps  writes each frame's missing mipmap levels, each half the level\n"
                       "         above, averaged in linear light, and makes again those it made\n"
                       "         from a level that has changed since; painted levels stay unless\n"
                       "         --replace.  N: at most that many levels.  T: each made level's\n"
                       "         alpha scaled so that as many pixels reach T as at full size.\n"
                       "dither   writes every file of the set into the folder, dithered to the\n"
                       "         channel widths of the format, for makeqfb to pack from there.\n"
                       "         M: diffusion (the default), ordered, bayer or stable (still pixels\n"
                       "         keep their words between frames).  S: 0 to 1, default 1.\n"
                       "         --bleed gives fully transparent pixels the nearest visible colour.\n"
                       "import   writes PNG files as the frames walk-0001.tga, ... of the base\n"
                       "         filename walk.tga, in the order given; with --mipmap-of N, as the\n"
                       "         mipmap levels a, b, ... of frame N.\n"
                       "\ndither and import refuse while files of the set that they would not write\n"
                       "are there (makeqfb would pack them too); --replace removes those files.\n"
                       "Every failure gives one message and status 1, and writes no file.\n");
}

bool read_job_options(const OptionRow* rows, size_t row_count, int argc, char** argv, CommandLine& line)
{
    const OptionProblem problem = read_options(rows, row_count, argc, argv, line);
    say_option_problem(problem, "qfbprep");
    return problem.ok();
}

bool read_dithering(const CommandLine& line, const char* method_option, DitherOptions& options)
{
    const char* strength = line.value("--strength");
    if (strength != nullptr && !parse_strength(strength, &options.strength)) {
        say(PrepText::bad_strength, strength);
        return false;
    }
    const char* method = line.value(method_option);
    if (method != nullptr && !dither_method_named(method, &options.method)) {
        say(PrepText::unknown_method, method, dither_method_names());
        return false;
    }
    return true;
}

void say_prep_image_problem(const ImageProblem& problem)
{
    if (problem.kind == ImageProblem::unreadable && problem.other_format != nullptr)
        say(PrepText::other_format, problem.name.c_str(), problem.other_format);
    else
        say_image_problem(problem);
}

void say_short_chain(int32_t width, int32_t height, int32_t levels, int32_t asked)
{
    int32_t w = 0, h = 0;
    if (chain_ends_short(width, height, levels, asked, &w, &h))
        say(PrepText::short_chain, w, h, h == 1 ? "height" : "width", levels, levels);
}

std::string file_part(const std::string& path)
{
    const size_t slash = platform::last_separator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool commit_batch(std::vector<AtomicFile>& batch)
{
    size_t failed = 0;
    const WriteStatus committed = commit_all(batch, &failed);
    if (committed != WriteStatus::ok) say_unwritable_targa(batch[failed].name().c_str(), write_failure_text(committed));
    return committed == WriteStatus::ok;
}

void Staging::keep(StagedFile& staged)
{
    if (failed_) return;
    failed_ = staged.written != WriteStatus::ok;
    held_ += failed_ ? unwritable_targa(staged.file.name().c_str(), write_failure_text(staged.written)) : staged.line;
    if (!failed_) batch_.push_back(std::move(staged.file));
}

bool Staging::finish()
{
    std::fputs(held_.c_str(), stdout);
    return !failed_ && commit_batch(batch_);
}

std::vector<std::string> leftover_files(const std::string& base, bool with_base,
                                        const std::function<bool(const SetFile&)>& left_over)
{
    std::vector<std::string> leftovers;
    if (with_base && file_exists(base.c_str())) leftovers.push_back(base);
    for (const SetFile& file : files_named_for(base))
        if (left_over(file)) leftovers.push_back(file.name);
    return leftovers;
}

bool refuse_leftovers(const std::string& base, const char* job, const std::vector<std::string>& leftovers, bool replace)
{
    if (leftovers.empty() || replace) return true;
    std::string named = leftovers[0];
    for (size_t i = 1; i < leftovers.size() && i < 3; ++i) named += (i + 1 == leftovers.size() ? " and " : ", ") + leftovers[i];
    if (leftovers.size() > 3) named += text_of(PrepText::and_more, static_cast<int>(leftovers.size() - 3));
    say(PrepText::leftovers, base.c_str(), job, named.c_str());
    return false;
}

bool remove_leftovers(const std::vector<std::string>& leftovers)
{
    for (const std::string& name : leftovers) {
        if (std::remove(name.c_str()) != 0) {
            say(PrepText::cannot_remove, name.c_str(), platform::error_text(errno));
            return false;
        }
    }
    return true;
}

int qfbprep_main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        print_qfbprep_usage();
        return 0;
    }
    struct Job {
        const char* name;
        int (*run)(int, char**);
    };
    static const Job jobs[] = {
        {"check", check_job}, {"mipmaps", mipmaps_job}, {"dither", dither_job}, {"import", import_job},
        {"pack", pack_job}};
    if (argc < 2) {
        print_qfbprep_usage();
        return 1;
    }
    std::vector<std::string> names;
    for (const Job& job : jobs) {
        if (std::strcmp(argv[1], job.name) == 0) return job.run(argc - 2, argv + 2);
        names.push_back(job.name);
    }
    say_unknown_word(std::strncmp(argv[1], "--", 2) == 0 ? "option" : "job", argv[1], names, "qfbprep");
    return 1;
}
