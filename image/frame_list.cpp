// Frames named on a command line (see frame_list.h).
#include "frame_list.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "natural_order.h"
#include "platform.h"

namespace {

bool names_folder(const char* name)
{
    platform::FileInfo info;
    return platform::info_of_name(name, &info) && info.folder;
}

}  // namespace

bool has_extension(const std::string& name, const char* ext)
{
    const size_t n = std::strlen(ext);
    if (name.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - n + i])) != ext[i]) return false;
    return true;
}

ImageProblem find_set(const char* base, FrameSet& set, bool whole)
{
    if (names_folder(base)) return ImageProblem::of_frames(ImageProblem::folder, base);
    switch (find_frames(base, set, whole)) {
    case FindResult::names_too_long: return ImageProblem::of_frames(ImageProblem::names_too_long, base);
    case FindResult::nothing_found: return ImageProblem::of_frames(ImageProblem::nothing_found, base);
    case FindResult::mipmap_mismatch: return ImageProblem::of_frames(ImageProblem::mipmap_mismatch, base);
    case FindResult::found: break;
    }
    return {};
}

FrameList frames_of_set(const FrameSet& set)
{
    FrameList frames;
    for (const SetFrame& frame : set.frames) {
        frames.emplace_back();
        for (int32_t level = 0; level <= frame.mipmaps; ++level)
            frames.back().push_back(ImageRef{member_name(set.base, frame.number, level), 0});
    }
    return frames;
}

ImageProblem gather_frames(const std::vector<std::string>& args, bool as_given, bool whole, ReaderFor readers,
                           FrameList& frames)
{
    if (args.size() > 1 || as_given || &readers(args[0]) != &targa_reader()) {
        std::vector<std::string> files = args;
        if (!as_given) std::stable_sort(files.begin(), files.end(), natural_less);
        for (const std::string& file : files) {
            const ImageReader& reader = readers(file);
            int32_t images = 0;
            const ImageProblem problem = reader.count(file, &images);
            if (!problem.ok()) return problem;
            const int32_t per_frame = reader.images_per_frame ? reader.images_per_frame(file) : 1;
            for (int32_t index = 0; index + per_frame <= images; index += per_frame) {
                FrameFiles frame;
                for (int32_t level = 0; level < per_frame; ++level) frame.push_back(ImageRef{file, index + level});
                frames.push_back(std::move(frame));
            }
        }
        return {};
    }
    const char* base = args[0].c_str();
    // A folder is named as one before a missing extension is.
    if (std::strrchr(base, '.') == nullptr) {
        return ImageProblem::of_frames(names_folder(base) ? ImageProblem::folder : ImageProblem::no_extension, base);
    }
    FrameSet set;
    const ImageProblem problem = find_set(base, set, whole);
    if (problem.ok()) frames = frames_of_set(set);
    return problem;
}
