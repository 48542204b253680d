// The files of a folder named as members of a set (see frameset.h).
#include "frameset.h"

#include <dirent.h>

#include <algorithm>

#include "platform.h"

std::vector<SetFile> files_named_for(const std::string& base)
{
    std::vector<SetFile> files;
    const size_t dot = base.rfind('.');
    const size_t slash = platform::last_separator(base);
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return files;  // no extension
    const std::string prefix = slash == std::string::npos ? "" : base.substr(0, slash + 1);
    DIR* dir = opendir(prefix.empty() ? "." : prefix.c_str());
    if (dir == nullptr) return files;
    const std::string ext = base.substr(dot);
    while (const dirent* entry = readdir(dir)) {
        std::string parent;
        SetFile file{prefix + entry->d_name, 0, 0};
        if (parse_frame_filename(file.name, ext, &parent, &file.frame, &file.level) && parent == base) files.push_back(file);
    }
    closedir(dir);
    std::sort(files.begin(), files.end(), [](const SetFile& a, const SetFile& b) { return a.name < b.name; });
    return files;
}
