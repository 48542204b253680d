// Frames named on a command line (see frame_list.h).
#include "frame_list.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "cli.h"
#include "frameset.h"
#include "jobs.h"
#include "natural_order.h"

bool has_extension(const std::string& name, const char* ext)
{
    const size_t n = std::strlen(ext);
    if (name.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - n + i])) != ext[i]) return false;
    return true;
}

bool gather_frames(const std::vector<std::string>& args, bool as_given, bool whole, std::vector<FrameFiles>& frames)
{
    if (args.size() > 1 || as_given || is_png_name(args[0])) {
        std::vector<std::string> files = args;
        if (!as_given) std::stable_sort(files.begin(), files.end(), natural_less);
        for (const std::string& file : files) frames.push_back({file});
        return true;
    }
    const char* base = args[0].c_str();
    // A folder is named as one before a missing extension is.
    if (std::strrchr(base, '.') == nullptr) {
        if (!say_if_folder(base)) say_no_extension(base);
        return false;
    }
    FrameSet set;
    if (!find_set_or_say(base, set, whole)) return false;
    for (const SetFrame& frame : set.frames) {
        frames.emplace_back();
        for (int32_t level = 0; level <= frame.mipmaps; ++level) frames.back().push_back(member_name(set.base, frame.number, level));
    }
    return true;
}

bool load_frame_image(const std::string& name, Image& image, std::string* id)
{
    const bool png = is_png_name(name);
    const LoadRefusal refusal = png ? load_png(name.c_str(), image) : load_image(name.c_str(), image, id);
    say_not_loaded(png ? "PNG" : "Targa", name.c_str(), refusal);
    return refusal.kind == LoadRefusal::none;
}
