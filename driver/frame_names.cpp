// Frame-set naming and discovery (see frame_names.h).
#include "driver/frame_names.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "targa/binary_file.h"

bool build_frame_filename(char* out, const char* base, int32_t frame, int32_t level)
{
    out[0] = '\0';
    const char* dot = std::strrchr(base, '.');
    if (dot == nullptr || level < 0 || level > MAX_MIPMAP_LEVEL || frame < SINGLE_IMAGE) return false;

    const int stem_length = static_cast<int>(dot - base);
    const bool numbered = frame != SINGLE_IMAGE;
    char suffix[16] = "";  // "-", a letter and at most ten digits
    int suffix_length = 0;
    if (numbered || level > 0) suffix[suffix_length++] = '-';
    if (level > 0) suffix[suffix_length++] = static_cast<char>(96 + level);
    if (numbered) suffix_length += std::snprintf(suffix + suffix_length, sizeof suffix - suffix_length, "%04d", frame);
    suffix[suffix_length] = '\0';

    // Measure first so that nothing is written unless the whole name fits.
    const size_t needed = std::strlen(base) + static_cast<size_t>(suffix_length);
    if (needed > NAME_BUFFER_SIZE - 1) return false;
    std::snprintf(out, NAME_BUFFER_SIZE, "%.*s%s%s", stem_length, base, suffix, dot);
    return true;
}

void print_names_too_long(const char* base)
{
    std::printf("File names made from this base filename would be longer than %d characters: %s\n",
                static_cast<int>(NAME_BUFFER_SIZE - 1), base);
}

void print_nothing_found()
{
    std::printf("Either that file doesn't exist or there aren't any frames associated with\nthat base filename\n");
}

bool file_exists(const char* name)
{
    BinaryFile file;
    return file.open(name, BinaryFile::READ) == 0;
}

// Outcome of probing one member: present, absent, or not nameable.
enum class Member { present, absent, name_too_long };

static Member probe_member(const char* base, int32_t frame, int32_t level)
{
    char name[NAME_BUFFER_SIZE];
    if (!build_frame_filename(name, base, frame, level)) return Member::name_too_long;
    return file_exists(name) ? Member::present : Member::absent;
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

FrameSetResult visit_frames(const char* base, FrameVisitor visit, void* context)
{
    if (std::strlen(base) > NAME_BUFFER_SIZE - 1) return FrameSetResult::name_too_long;
    if (file_exists(base)) {
        const int32_t mipmaps = count_mipmaps(base, SINGLE_IMAGE);
        if (mipmaps < 0) return FrameSetResult::name_too_long;
        visit(context, SINGLE_IMAGE, mipmaps);
        return FrameSetResult::found;
    }

    const Member zero = probe_member(base, 0, 0);
    if (zero == Member::name_too_long) return FrameSetResult::name_too_long;
    const int32_t first_frame = zero == Member::present ? 0 : 1;

    // The walk stops one short of INT_MAX frames so that the next frame number cannot overflow.
    for (int32_t count = 0; count < INT_MAX - 1; ++count) {
        const int32_t frame = first_frame + count;
        const Member member = probe_member(base, frame, 0);
        if (member == Member::name_too_long) return FrameSetResult::name_too_long;
        if (member == Member::absent) break;
        const int32_t mipmaps = count_mipmaps(base, frame);
        if (mipmaps < 0) return FrameSetResult::name_too_long;
        if (!visit(context, frame, mipmaps)) break;
    }
    return FrameSetResult::found;
}

namespace {
// What find_frames gathers from the walk.
struct FoundSet {
    int32_t frame_count = 0;
    int32_t mipmap_count = 0;
    int32_t first_frame = 1;  // when nothing is found: neither frame 0 nor frame 1 is there
    bool mismatch = false;
};

bool count_frame(void* context, int32_t frame, int32_t mipmaps)
{
    FoundSet& set = *static_cast<FoundSet*>(context);
    if (++set.frame_count == 1) {
        set.first_frame = frame;
        set.mipmap_count = mipmaps;
        return true;
    }
    set.mismatch = mipmaps != set.mipmap_count;
    return !set.mismatch;
}
}  // namespace

FrameSetResult find_frames(const char* base, int32_t* frame_count, int32_t* mipmap_count,
                           int32_t* first_frame)
{
    FoundSet set;
    const FrameSetResult result = visit_frames(base, count_frame, &set);
    *frame_count = set.frame_count;
    *mipmap_count = set.mipmap_count;
    *first_frame = set.first_frame;
    if (result == FrameSetResult::name_too_long) {
        *frame_count = 0;
        *mipmap_count = 0;
        *first_frame = SINGLE_IMAGE;
        return result;
    }
    return set.mismatch ? FrameSetResult::mipmap_mismatch : FrameSetResult::found;
}
