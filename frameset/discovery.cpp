// Discovery of a frame set on disk (see frameset.h).
#include "frameset.h"

#include <climits>
#include <cstring>


namespace {

// Outcome of probing one member: present, absent, or not nameable.
enum class Member { present, absent, name_too_long };

Member probe_member(const char* base, int32_t frame, int32_t level)
{
    char name[NAME_BUFFER_SIZE];
    if (!build_frame_filename(name, base, frame, level)) return Member::name_too_long;
    return file_exists(name) ? Member::present : Member::absent;
}

}  // namespace

bool file_exists(const char* name)
{
    BinaryFile file;
    return file.open(name, BinaryFile::READ) == 0;
}

int32_t count_mipmaps(const char* base, int32_t frame)
{
    int32_t count = 0;
    while (count < MAX_MIPMAP_LEVEL) {
        const Member member = probe_member(base, frame, count + 1);
        if (member == Member::name_too_long) return -1;
        if (member == Member::absent) break;
        ++count;
    }
    return count;
}

FindResult find_frames(const char* base, FrameSet& set, bool whole)
{
    set.base = base;
    set.frames.clear();
    if (std::strlen(base) > NAME_BUFFER_SIZE - 1) return FindResult::names_too_long;
    if (file_exists(base)) {
        const int32_t mipmaps = count_mipmaps(base, SINGLE_IMAGE);
        if (mipmaps < 0) return FindResult::names_too_long;
        set.frames.push_back(SetFrame{SINGLE_IMAGE, mipmaps});
        return FindResult::found;
    }
    const Member zero = probe_member(base, 0, 0);
    if (zero == Member::name_too_long) return FindResult::names_too_long;
    const int32_t first_frame = zero == Member::present ? 0 : 1;
    // The walk stops one short of INT_MAX frames so that the next frame number cannot overflow.
    for (int32_t count = 0; count < INT_MAX - 1; ++count) {
        const int32_t frame = first_frame + count;
        const Member member = probe_member(base, frame, 0);
        if (member == Member::name_too_long) return FindResult::names_too_long;
        if (member == Member::absent) break;
        const int32_t mipmaps = count_mipmaps(base, frame);
        if (mipmaps < 0) return FindResult::names_too_long;
        set.frames.push_back(SetFrame{frame, mipmaps});
        if (!whole && mipmaps != set.frames.front().mipmaps) return FindResult::mipmap_mismatch;
    }
    return set.frames.empty() ? FindResult::nothing_found : FindResult::found;
}
