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
    for (int i = 3; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--mipmaps") == 0) {
            options.mipmaps = true;
            if (i + 1 < argc && all_digits(argv[i + 1]) &&
                !count_option(argc, argv, i, 1, MAX_MIPMAP_LEVEL, &options.levels, said))
                return false;
        } else if (dither_option(argc, argv, i, "--dither", options.dithering, &options.dither, said)) {
            continue;
        } else if (*said) {
            return false;
        } else if (frame_form_option(argc, argv, i, command.forms, said)) {
            continue;
        } else if (*said) {
            return false;
        } else if (std::strcmp(arg, "--bleed") == 0) {
            options.bleed = true;
        } else if (std::strcmp(arg, "--keep-coverage") == 0) {
            if (!count_option(argc, argv, i, 1, 255, &options.keep_coverage, said)) return false;
        } else if (std::strcmp(arg, "--alpha-threshold") == 0) {
            if (!count_option(argc, argv, i, 0, 255, &options.alpha_threshold, said)) return false;
        } else if (std::strcmp(arg, "--as-given") == 0) {
            command.as_given = true;
        } else if (std::strcmp(arg, "--watch") == 0) {
            command.watch = true;
        } else if (std::strncmp(arg, "--", 2) == 0) {
            return false;
        } else {
            command.frames.push_back(arg);
        }
    }
    return !command.frames.empty();
}

std::string shape(const Shape& s) { return text("%d x %d, %dbpp", s.width, s.height, s.bits_per_pixel); }

void say_problem(const PackProblem& problem, const PackRequest& request)
{
    const char* name = problem.name.c_str();
    switch (problem.kind) {
    case PackProblem::none: return;
    case PackProblem::image: say_image_problem(problem.cause); return;
    case PackProblem::output_is_input: say_output_is_input(name); return;
    case PackProblem::image_too_large:
    case PackProblem::file_too_large:
        say_file_too_large((request.output + ": the ").c_str(), ": pack fewer or smaller frames.");
        return;
    case PackProblem::mismatch:
        if (problem.level == 0) {
            std::printf("%s is %s, but the first frame %s is %s: give every frame the same size and depth.\n", name,
                        shape(problem.found).c_str(), request.frames[0][0].file.c_str(), shape(problem.wanted).c_str());
        } else {
            std::printf("%s is %s, but level %d of %s must be %s, half the level above: resize it, or remove it for "
                        "--mipmaps to make.\n",
                        name, shape(problem.found).c_str(), problem.level,
                        request.frames[static_cast<size_t>(problem.frame)][0].file.c_str(), shape(problem.wanted).c_str());
        }
        return;
    }
}

void say_packed(const PackRequest& request, const Packed& packed)
{
    const qfb_header& header = packed.header;
    std::string levels = text("%d mipmap level%s each", header.mipmap_count, header.mipmap_count == 1 ? "" : "s");
    if (packed.made > 0) levels += text(" (%d made)", packed.made);
    std::printf("%s: %d frame%s of %d x %d, %dbpp, %s, packed as %s%s: %llu bytes.\n", request.output.c_str(),
                header.frame_count, header.frame_count == 1 ? "" : "s", header.width, header.height,
                packed.bits_per_pixel, levels.c_str(), qfb_format_name(header.format),
                header.format != request.options.format ? " (a 24bpp image has no alpha for 4444)" : "",
                static_cast<unsigned long long>(packed.size));
    if (request.options.mipmaps)
        std::fputs(short_chain_note(header.width, header.height, header.mipmap_count, request.options.levels).c_str(),
                   stdout);
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
        say_image_problem(gathered);
        if (gathered.kind == ImageProblem::mipmap_mismatch)
            std::printf("qfbprep pack --mipmaps fills in the levels the frames lack.\n");
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
        std::printf("Couldn't write QFB file %s: %s.\n", request.output.c_str(), write_failure_text(written).c_str());
        return false;
    }
    *frames = packed.header.frame_count;
    if (again) return true;
    say_packed(request, packed);
    std::fputs(note.c_str(), stdout);
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
    std::printf("Watching the frames for changes; Ctrl-C ends the watch.\n");
    for (;;) {
        std::fflush(stdout);
        const FolderWatch::Wait waited = watch.wait_for_change(stop_asked());
        if (waited == FolderWatch::Wait::stopped) return 0;
        if (waited == FolderWatch::Wait::failed) {
            std::printf("Couldn't watch the frames' folders: %s.\n", platform::error_text(errno));
            return 1;
        }
        const auto start = std::chrono::steady_clock::now();
        int frames = 0;
        if (!pack_once(command, true, &frames)) {
            std::printf("Kept the last good %s; waiting for changes.\n", command.output.c_str());
            continue;
        }
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        std::printf("Packed %s again: %d frame%s in %lld ms.\n", command.output.c_str(), frames, frames == 1 ? "" : "s",
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
        std::printf("The output file must be named *.qfb: %s\n", command.output.c_str());
        return 1;
    }
    int frames = 0;
    if (!pack_once(command, false, &frames)) return 1;
    return command.watch ? watch_frames(command) : 0;
}
