// The shared command-line pieces (see cli.h).
#include "cli.h"

#include "cli_texts.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <qfb/qfb.h>

#include "frameset.h"
#include "platform.h"

QFB_MESSAGE_FUNCTIONS(CliText, CLI_TEXTS)

namespace {

// The first file, in name order, in base's folder named as a frame of base's set but with a frame
// number of one to three digits (walk-1.tga for walk.tga), folder included, and its number; empty
// when there is none.
std::string short_numbered_frame(const std::string& base, int32_t* number)
{
    const size_t dot = base.rfind('.');
    const size_t slash = platform::last_separator(base);
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return "";  // a "." in a folder
    const std::string folder = slash == std::string::npos ? "" : base.substr(0, slash + 1);
    const std::string start = base.substr(folder.size(), dot - folder.size()) + "-", ext = base.substr(dot);
    std::vector<std::string> names;
    if (!platform::list_folder(folder.c_str(), &names)) return "";
    std::string first;
    for (const std::string& name : names) {
        const size_t digits = name.size() - std::min(name.size(), start.size() + ext.size());
        if (digits < 1 || digits > 3 || name.compare(0, start.size(), start) != 0 ||
            name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
            continue;
        const std::string number_text = name.substr(start.size(), digits);
        if (number_text.find_first_not_of("0123456789") != std::string::npos || (!first.empty() && name >= first)) continue;
        first = name;
        *number = std::atoi(number_text.c_str());
    }
    return first.empty() ? first : folder + first;
}

// The files, in name order, in base's folder named as frames of base's stem but numbered another
// way than makeqfb's: another separator or none ("walk_00.png", "walk3.tga"), any number of digits,
// any extension; folder included.
std::vector<std::string> otherwise_numbered_frames(const std::string& base)
{
    std::vector<std::string> found;
    const size_t dot = base.rfind('.');
    const size_t slash = platform::last_separator(base);
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return found;
    const std::string folder = slash == std::string::npos ? "" : base.substr(0, slash + 1);
    const std::string stem = base.substr(folder.size(), dot - folder.size());
    std::vector<std::string> names;
    if (stem.empty() || !platform::list_folder(folder.c_str(), &names)) return found;
    for (const std::string& name : names) {
        if (name.compare(0, stem.size(), stem) != 0) continue;
        size_t at = stem.size();
        if (at < name.size() && std::strchr("-_. ", name[at]) != nullptr) ++at;
        const size_t digits = name.find_first_not_of("0123456789", at);
        if (digits == std::string::npos || digits == at || name[digits] != '.' || digits + 1 == name.size() ||
            name.find('.', digits + 1) != std::string::npos)
            continue;
        const bool makeqfbs_own = name[stem.size()] == '-' && digits - at >= 4 && name.substr(digits) == base.substr(dot);
        if (makeqfbs_own) continue;  // a frame of the set after a gap: not another numbering
        found.push_back(folder + name);
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

void print_usage_banner(const char* head, const char* body)
{
    static const char EQUALS[] = "==========================================================================\n";
    std::printf("%s%s--------------------------------------------------------------------------\n%s%s", EQUALS, head,
                body, EQUALS);
}

bool option_value(int argc, char** argv, int at, const char** value, bool* said)
{
    *said = false;
    if (at + 1 >= argc) return false;
    if (std::strncmp(argv[at + 1], "--", 2) == 0) {
        say(CliText::option_as_value, argv[at], argv[at + 1]);
        *said = true;
        return false;
    }
    *value = argv[at + 1];
    return true;
}

void say_unknown_format(const char* text)
{
    say(CliText::unknown_format, text);
}

void say_bad_fps(const char* text) { say(CliText::bad_fps, text); }

void say_mipmap_mismatch() { say(CliText::mipmap_mismatch); }

void say_no_extension(const char* base) { say(CliText::no_extension, base); }

bool say_if_folder(const char* base)
{
    platform::FileInfo info;
    if (!platform::info_of_name(base, &info) || !info.folder) return false;
    say_folder(base);
    return true;
}

void say_folder(const char* base)
{
    // The example is named after the folder: art/walk/ gives art/walk/walk.tga.
    std::string folder = base;
    while (!folder.empty() && platform::is_separator(folder.back())) folder.pop_back();
    const std::string last = folder.substr(platform::last_separator(folder) + 1);
    const std::string stem = last.substr(0, last.find('.'));
    say(CliText::folder, base, folder.c_str(), stem.empty() ? "walk" : stem.c_str());
}

void say_names_too_long(const char* base)
{
    say(CliText::names_too_long, static_cast<int>(NAME_BUFFER_SIZE - 1), base);
}

void say_nothing_found()
{
    say(CliText::nothing_found);
}

bool say_short_frame_number(const char* base)
{
    int32_t number = 0;
    const std::string found = short_numbered_frame(base, &number);
    if (found.empty()) {
        const std::vector<std::string> others = otherwise_numbered_frames(base);
        if (others.empty()) return false;
        const std::string more =
            others.size() > 1 ? text_of(CliText::more_files, static_cast<int>(others.size() - 1)) : std::string();
        say(CliText::other_numbering, others[0].c_str(), more.c_str(), member_name(base, 1, 0).c_str(),
            member_name(base, 2, 0).c_str());
        return true;
    }
    say(CliText::short_frame_number, found.c_str(), member_name(base, number, 0).c_str());
    return true;
}

void say_unreadable(const char* kind, const char* name, const char* reason)
{
    say(CliText::unreadable, kind, name, reason);
}

void say_unreadable_targa(const char* name, const char* reason) { say_unreadable("Targa", name, reason); }

void say_image_problem(const ImageProblem& problem)
{
    const char* name = problem.name.c_str();
    switch (problem.kind) {
    case ImageProblem::none: return;
    case ImageProblem::unreadable: say_unreadable(problem.reader, name, problem.reason.c_str()); return;
    case ImageProblem::wrong_depth: {
        say_unreadable_targa(name, text_of(CliText::wrong_depth, static_cast<int>(problem.value)).c_str());
        return;
    }
    case ImageProblem::too_large: say_image_too_large(name, problem.value, "."); return;
    case ImageProblem::too_many_pixels:
        say_unreadable(problem.reader, name,
                       text_of(CliText::too_many_pixels, static_cast<unsigned>(problem.value >> 32),
                               static_cast<unsigned>(problem.value & 0xFFFFFFFFu), QFB_MAX_SIDE).c_str());
        return;
    case ImageProblem::folder: say_folder(name); return;
    case ImageProblem::no_extension: say_no_extension(name); return;
    case ImageProblem::names_too_long: say_names_too_long(name); return;
    case ImageProblem::nothing_found:
        say_nothing_found();
        say_short_frame_number(name);
        return;
    case ImageProblem::mipmap_mismatch: say_mipmap_mismatch(); return;
    }
}

void say_image_too_large(const char* name, uint64_t image_bytes, const char* ending)
{
    constexpr size_t WIDTH = 1024;  // the width the limit is told at
    say(CliText::image_too_large, name, static_cast<unsigned long long>(image_bytes), MAX_IMAGE_BYTES, WIDTH,
        MAX_IMAGE_BYTES / (WIDTH * 4), WIDTH, MAX_IMAGE_BYTES / (WIDTH * 3), ending);
}

void say_file_too_large(const char* start, const char* ending)
{
    say(CliText::file_too_large, start, QFB_MAX_FILE_SIZE, ending);
}

void say_start_refusal(const platform::StartRefusal& refusal)
{
    say(CliText::argument_not_in_code_page, refusal.argument, refusal.code_page);
}

void say_no_output_folder(const char* folder) { say(CliText::no_output_folder, folder); }

void say_output_is_input(const char* name)
{
    say(CliText::output_is_input, name);
}

std::string unwritable_targa(const char* name, const std::string& reason)
{
    return text_of(CliText::unwritable, "Targa", name, reason.c_str());
}

void say_unwritable_targa(const char* name, const std::string& reason) { std::fputs(unwritable_targa(name, reason).c_str(), stdout); }
