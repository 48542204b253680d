// Glob patterns among pack's frames (see frame_patterns.h): matching, and the folder's listing.
#include "frame_patterns.h"

#include <algorithm>

#include "natural_order.h"
#include "platform.h"

namespace {

std::string folder_part(const std::string& path)
{
    const size_t slash = platform::last_separator(path);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The set at p ("[...]"): whether c is in it; p is moved past it. False with p unmoved when the
// set is not closed: '[' is then an ordinary character.
bool in_set(const char*& p, char c, bool* matched)
{
    const char* q = p + 1;
    const bool negated = *q == '!' || *q == '^';
    if (negated) ++q;
    bool in = false;
    bool first = true;
    for (; *q != '\0' && (*q != ']' || first); ++q, first = false) {
        if (q[1] == '-' && q[2] != ']' && q[2] != '\0') {
            in = in || (static_cast<unsigned char>(c) >= static_cast<unsigned char>(*q) &&
                        static_cast<unsigned char>(c) <= static_cast<unsigned char>(q[2]));
            q += 2;
        } else {
            in = in || *q == c;
        }
    }
    if (*q != ']') return false;
    p = q + 1;
    *matched = in != negated;
    return true;
}

bool matches_from(const char* p, const char* n)
{
    for (; *p != '\0'; ++n) {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (*p == '\0') return true;
            for (; *n != '\0'; ++n)
                if (matches_from(p, n)) return true;
            return false;
        }
        if (*n == '\0') return false;
        bool matched = false;
        if (*p == '[' && in_set(p, *n, &matched)) {
            if (!matched) return false;
            continue;
        }
        if (*p != '?' && *p != *n) return false;
        ++p;
    }
    return *n == '\0';
}

}  // namespace

bool is_frame_pattern(const std::string& arg)
{
    const std::string name = arg.substr(folder_part(arg).size());
    return name.find_first_of("*?[") != std::string::npos;
}

bool name_matches(const char* pattern, const char* name)
{
    if (*name == '.' && *pattern != '.') return false;
    return matches_from(pattern, name);
}

std::vector<std::string> expand_frame_patterns(const std::vector<std::string>& args)
{
    std::vector<std::string> expanded;
    for (const std::string& arg : args) {
        if (!is_frame_pattern(arg)) {
            expanded.push_back(arg);
            continue;
        }
        const std::string folder = folder_part(arg);
        const std::string pattern = arg.substr(folder.size());
        std::vector<std::string> names;
        std::vector<std::string> found;
        if (platform::list_folder(folder.c_str(), &names))
            for (const std::string& name : names)
                if (name_matches(pattern.c_str(), name.c_str())) found.push_back(folder + name);
        if (found.empty()) found.push_back(arg);
        std::stable_sort(found.begin(), found.end(), natural_less);
        expanded.insert(expanded.end(), found.begin(), found.end());
    }
    return expanded;
}
