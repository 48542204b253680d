// Finding a set and naming its members (see prep_set.h).
#include "qfbprep/prep_set.h"

#include "driver/frame_names.h"

namespace {
bool add_frame(void* context, int32_t frame, int32_t mipmaps)
{
    static_cast<PrepSet*>(context)->frames.push_back(PrepFrame{frame, mipmaps});
    return true;
}
}  // namespace

PrepSetResult find_prep_set(const char* base, PrepSet& set)
{
    set.base = base;
    set.frames.clear();
    if (visit_frames(base, add_frame, &set) == FrameSetResult::name_too_long) return PrepSetResult::name_too_long;
    return set.frames.empty() ? PrepSetResult::nothing_found : PrepSetResult::found;
}

bool find_prep_set_or_say(const char* base, PrepSet& set)
{
    switch (find_prep_set(base, set)) {
    case PrepSetResult::found:
        return true;
    case PrepSetResult::name_too_long:
        print_names_too_long(base);
        return false;
    case PrepSetResult::nothing_found:
        break;
    }
    print_nothing_found();
    return false;
}

std::string member_name(const std::string& base, int32_t frame, int32_t level)
{
    char name[NAME_BUFFER_SIZE];
    return build_frame_filename(name, base.c_str(), frame, level) ? std::string(name) : std::string();
}

std::string file_part(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
