// qfbprep pack FORMAT FPS OUTPUT FRAMES... [options]: from images to one QFB file in one step,
// all in memory. The frames are a base filename's set as makeqfb finds it, painted levels
// included, or image files in natural order of their names, each giving its frames: PNG or Targa
// (one, or a sheet's cells), GIF, WebP or Aseprite (every frame, composited). The packing core
// (pack.h) makes the file; this job reads its command line, says what the core refused in its
// own words, writes the file at once, atomically, and says what it packed. With --watch it packs
// again each time the frames' folders change, until a signal asks it to stop.
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <qfb/qfb.h>

#include "cli.h"
#include "frame_list.h"
#include "frame_patterns.h"
#include "frameset.h"
#include "image_files.h"
#include "jobs.h"
#include "levels.h"
#include "pack.h"
#include "pack_forms.h"
#include "prep_texts.h"
#include "platform.h"
#include "folder_watch.h"
#include "stop_request.h"

namespace {

struct PackCommand {
    PackOptions pack;
    std::string output;
    std::vector<std::string> frames;  // one base filename, or image files
    bool as_given = false;
    FrameForms forms;
    bool fps_auto = false;  // fps from the frames' durations
    bool watch = false;     // pack again whenever the frames change
};

// pack's options, one row each: what follows each, its range, the option it goes with.
const OptionRow PACK_OPTIONS[] = {
    {"--mipmaps", OptionValue::optional_count, 1, MAX_MIPMAP_LEVEL},
    {"--keep-coverage", OptionValue::count, 1, 255, {"--mipmaps"}, "it sets the coverage of the levels --mipmaps makes"},
    {"--alpha-threshold", OptionValue::count, 0, 255},
    {"--bleed"},
    {"--dither", OptionValue::optional_word},
    {"--strength", OptionValue::word, 0, 0, {"--dither"}, "it scales the dithering"},
    {"--as-given"},
    {"--grid", OptionValue::word},
    {"--cell", OptionValue::word},
    {"--cells", OptionValue::count, 1, INT32_MAX, {"--grid", "--cell"}, "it counts the cells a sheet's layout cuts"},
    {"--tag", OptionValue::word},
    {"--watch"},
};

bool all_digits(const char* s) { return *s != '\0' && std::strspn(s, "0123456789") == std::strlen(s); }

// False when the command line is wrong; said is true when that is printed already.
bool parse_options(int argc, char** argv, PackCommand& command, bool* said)
{
    PackOptions& options = command.pack;
    *said = false;
    if (argc < 4) return false;
    options.format = qfb_format_code(argv[0]);
    if (options.format < 0) {
        say_unknown_format(argv[0]);
        *said = true;
        return false;
    }
    command.fps_auto = std::strcmp(argv[1], "auto") == 0;
    errno = 0;
    const long fps = command.fps_auto ? 1 : all_digits(argv[1]) ? std::strtol(argv[1], nullptr, 10) : 0;
    if (errno != 0 || fps < 1 || fps > INT32_MAX) {
        say_bad_fps(argv[1]);
        *said = true;
        return false;
    }
    options.fps = static_cast<int32_t>(fps);
    command.output = argv[2];
    CommandLine line;
    *said = true;
    if (!read_job_options(PACK_OPTIONS, argc - 3, argv + 3, line) ||
        !read_dithering(line, "--dither", options.dithering))
        return false;
    options.mipmaps = line.has("--mipmaps");
    options.levels = static_cast<int32_t>(line.count("--mipmaps", options.levels));
    options.keep_coverage = static_cast<int32_t>(line.count("--keep-coverage", options.keep_coverage));
    options.alpha_threshold = static_cast<int32_t>(line.count("--alpha-threshold", options.alpha_threshold));
    options.bleed = line.has("--bleed");
    options.dither = line.has("--dither");
    command.as_given = line.has("--as-given");
    command.watch = line.has("--watch");
    if (!read_frame_forms(line, command.forms)) return false;
    command.frames.assign(line.positional.begin(), line.positional.end());
    *said = false;
    return !command.frames.empty();
}

std::string shape(const Shape& s) { return text_of(PrepText::shape, s.width, s.height, s.bits_per_pixel); }

void say_problem(const PackProblem& problem, const PackRequest& request)
{
    const char* name = problem.name.c_str();
    switch (problem.kind) {
    case PackProblem::none: return;
    case PackProblem::image: say_prep_image_problem(problem.cause); return;
    case PackProblem::output_is_input: say_output_is_input(name); return;
    case PackProblem::image_too_large:
    case PackProblem::file_too_large:
        say_file_too_large((request.output + ": the ").c_str(), text_of(PrepText::pack_file_ending).c_str());
        return;
    case PackProblem::mismatch:
        if (problem.level == 0) {
            say(PrepText::pack_frame_mismatch, name, shape(problem.found).c_str(), request.frames[0][0].file.c_str(), shape(problem.wanted).c_str());
        } else {
            say(PrepText::pack_level_mismatch, name, shape(problem.found).c_str(), problem.level,
                        request.frames[static_cast<size_t>(problem.frame)][0].file.c_str(), shape(problem.wanted).c_str());
        }
        return;
    }
}

// The first frame whose alpha 1555 or 565 loses (alpha between 0 and 255 for 1555, any below 255
// for 565), named with how many of its pixels: read again only for those formats from 32 bits
// without --alpha-threshold, and only until one is found.
void say_lost_alpha(const PackRequest& request, const Packed& packed)
{
    const int32_t format = packed.header.format;
    if (packed.bits_per_pixel != 32 || request.options.alpha_threshold >= 0 || format == QFB_FORMAT_4444) return;
    for (const FrameFiles& frame : request.frames) {
        Image image;
        if (!request.readers(frame[0].file).load(frame[0], image, nullptr).ok() || image.bits_per_pixel != 32) return;
        unsigned long long lost = 0;
        for (size_t i = 3; i < image.pixels.size(); i += 4) {
            const uint8_t alpha = image.pixels[i];
            lost += alpha != 255 && (format == QFB_FORMAT_565 || alpha != 0);
        }
        if (lost == 0) continue;
        say(format == QFB_FORMAT_565 ? PrepText::soft_alpha_565 : PrepText::soft_alpha_1555, frame[0].file.c_str(), lost);
        return;
    }
}

// A base filename's set that stops at a gap: the first frame after it, which is not packed.
void say_gap(const std::vector<std::string>& given, const PackRequest& request)
{
    if (given.size() != 1 || request.frames.empty()) return;
    const std::string& base = given[0];
    FrameSet set;
    if (find_frames(base.c_str(), set) != FindResult::found || set.frames.back().number == SINGLE_IMAGE) return;
    const int32_t gap = set.frames.back().number + 1;
    int32_t first_after = INT32_MAX;
    for (const SetFile& file : files_named_for(base))
        if (file.level == 0 && file.frame > gap && file.frame < first_after) first_after = file.frame;
    if (first_after == INT32_MAX) return;
    say(PrepText::gap_note, base.c_str(), member_name(base, gap, 0).c_str(), member_name(base, first_after, 0).c_str());
}

void say_packed(const PackRequest& request, const Packed& packed)
{
    const qfb_header& header = packed.header;
    std::string levels = text_of(PrepText::pack_levels, header.mipmap_count, header.mipmap_count == 1 ? "" : "s");
    if (packed.made > 0) levels += text_of(PrepText::pack_made, packed.made);
    say(PrepText::packed, request.output.c_str(),
                header.frame_count, header.frame_count == 1 ? "" : "s", header.width, header.height,
                packed.bits_per_pixel, levels.c_str(), qfb_format_name(header.format),
                header.format != request.options.format ? text_of(PrepText::no_alpha_for_4444).c_str() : "",
                static_cast<unsigned long long>(packed.size));
    if (request.options.mipmaps) say_short_chain(header.width, header.height, header.mipmap_count, request.options.levels);
}

// One pack of the command's frames, its patterns expanded now: the file written, or what was
// refused said. When again is false it says what it packed; frames gets the number packed.
bool pack_once(const PackCommand& given, bool again, int* frames)
{
    PackCommand command = given;
    PackRequest request;
    const FrameReaders readers(command.forms);
    if (!form_options_fit(command.forms, readers, command.frames)) return false;
    // A lone pattern's files are frame files, in the natural order it gives them, even when it
    // matches one Targa file, which would otherwise be taken as a base filename.
    const bool as_given = command.as_given || (command.frames.size() == 1 && is_frame_pattern(command.frames[0]));
    const ImageProblem gathered = gather_frames(expand_frame_patterns(command.frames), as_given, command.pack.mipmaps,
                                                readers.readers(), request.frames);
    if (!gathered.ok()) {
        say_prep_image_problem(gathered);
        if (gathered.kind == ImageProblem::mipmap_mismatch)
            say(PrepText::pack_fills_levels);
        return false;
    }
    std::string note;
    if (!settle_fps(readers, request.frames, command.fps_auto, &command.pack.fps, &note)) return false;
    request.options = command.pack;
    request.readers = readers.readers();
    request.output = command.output;

    std::unique_ptr<uint8_t[]> bytes;
    const auto room = [&bytes](const qfb_file& layout) {
        bytes.reset(new uint8_t[layout.size]);
        advise_huge_pages(bytes.get(), static_cast<size_t>(layout.size));
        return bytes.get();
    };
    Packed packed;
    const PackProblem problem = pack_frames(request, room, &packed);
    if (!problem.ok()) {
        say_problem(problem, request);
        return false;
    }
    const WriteStatus written = write_whole_file(request.output, bytes.get(), static_cast<size_t>(packed.size));
    if (written != WriteStatus::ok) {
        say(PrepText::unwritable_qfb, request.output.c_str(), write_failure_text(written).c_str());
        return false;
    }
    *frames = packed.header.frame_count;
    if (again) return true;
    say_packed(request, packed);
    std::fputs(note.c_str(), stdout);
    say_lost_alpha(request, packed);
    say_gap(command.frames, request);
    return true;
}

// The folders of the frames (a pattern's folder as written), each once.
std::vector<std::string> frame_folders(const std::vector<std::string>& frames)
{
    std::vector<std::string> folders;
    for (const std::string& frame : frames) {
        const size_t slash = platform::last_separator(frame);
        const std::string folder = slash == std::string::npos ? "" : frame.substr(0, slash == 0 ? 1 : slash);
        bool seen = false;
        for (const std::string& f : folders) seen = seen || f == folder;
        if (!seen) folders.push_back(folder);
    }
    return folders;
}

// A name in the frames' folders that no frame argument can take is not watched: the output and
// the atomic writer's temporary files ("NAME.tmp...", ".tmp..."), and any other file. A frame
// argument takes the names its pattern matches, and those that start as it does before its
// extension (a base filename's frames and levels).
bool not_a_frame(const std::string& name, const void* context)
{
    const PackCommand& command = *static_cast<const PackCommand*>(context);
    const std::string own = file_part(command.output);
    if (name.compare(0, own.size(), own) == 0 || name.compare(0, 4, ".tmp") == 0) return true;
    for (const std::string& frame : command.frames) {
        const std::string given = file_part(frame);
        const std::string stem = given.substr(0, given.rfind('.'));
        if (name_matches(given.c_str(), name.c_str()) || name.compare(0, stem.size(), stem) == 0) return false;
    }
    return true;
}

// After the first pack: packs again after each settled change, keeping the last good file when a
// pack fails, until a signal asks it to stop (status 0).
int watch_frames(const PackCommand& command)
{
    const TakingStops taking;
    FolderWatch watch(frame_folders(command.frames), not_a_frame, &command);
    say(PrepText::watching);
    for (;;) {
        std::fflush(stdout);
        const FolderWatch::Wait waited = watch.wait_for_change(stop_asked());
        if (waited == FolderWatch::Wait::stopped) return 0;
        if (waited == FolderWatch::Wait::failed) {
            say(PrepText::watch_failed, platform::error_text(errno));
            return 1;
        }
        const auto start = std::chrono::steady_clock::now();
        int frames = 0;
        if (!pack_once(command, true, &frames)) {
            say(PrepText::kept_last_good, command.output.c_str());
            continue;
        }
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        say(PrepText::packed_again, command.output.c_str(), frames, frames == 1 ? "" : "s",
            static_cast<long long>(took.count()));
    }
}

}  // namespace

int pack_job(int argc, char** argv)
{
    PackCommand command;
    bool said = false;
    if (!parse_options(argc, argv, command, &said)) {
        if (!said) print_qfbprep_usage();
        return 1;
    }
    if (!has_extension(command.output, ".qfb")) {
        say(PrepText::output_not_qfb, command.output.c_str());
        return 1;
    }
    int frames = 0;
    if (!pack_once(command, false, &frames)) return 1;
    return command.watch ? watch_frames(command) : 0;
}
