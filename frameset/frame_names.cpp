// The naming convention both ways (see frameset.h).
#include "frameset.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

std::string member_name(const std::string& base, int32_t frame, int32_t level)
{
    char name[NAME_BUFFER_SIZE];
    return build_frame_filename(name, base.c_str(), frame, level) ? std::string(name) : std::string();
}

bool parse_frame_filename(const std::string& name, const std::string& ext, std::string* base, int32_t* frame,
                          int32_t* level)
{
    if (name.size() <= ext.size() || name.compare(name.size() - ext.size(), ext.size(), ext) != 0) return false;
    const std::string stem = name.substr(0, name.size() - ext.size());
    size_t digits = 0;
    while (digits < stem.size() && stem[stem.size() - 1 - digits] >= '0' && stem[stem.size() - 1 - digits] <= '9')
        ++digits;
    if (digits > 9 || (digits > 0 && digits < 4)) return false;  // frame numbers are counted in an int
    size_t at = stem.size() - digits;
    *level = 0;
    if (at > 0 && static_cast<unsigned char>(stem[at - 1]) >= 97) {
        *level = static_cast<unsigned char>(stem[at - 1]) - 96;
        --at;
    }
    if (at == 0 || stem[at - 1] != '-' || (digits == 0 && *level == 0)) return false;
    *frame = digits == 0 ? SINGLE_IMAGE : std::atoi(stem.c_str() + stem.size() - digits);
    *base = stem.substr(0, at - 1) + ext;
    // Only a name the convention itself gives (0012, not 012 or 00012) is a member.
    return member_name(*base, *frame, *level) == name;
}
