// The files of a folder named as members of a set (see frameset.h).
#include "frameset.h"

#include <algorithm>

#include "platform.h"

std::vector<SetFile> files_named_for(const std::string& base)
{
    std::vector<SetFile> files;
    const size_t dot = base.rfind('.');
    const size_t slash = platform::last_separator(base);
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return files;  // no extension
    const std::string prefix = slash == std::string::npos ? "" : base.substr(0, slash + 1);
    std::vector<std::string> names;
    if (!platform::list_folder(prefix.c_str(), &names)) return files;
    const std::string ext = base.substr(dot);
    for (const std::string& name : names) {
        std::string parent;
        SetFile file{prefix + name, 0, 0};
        if (parse_frame_filename(file.name, ext, &parent, &file.frame, &file.level) && parent == base) files.push_back(file);
    }
    std::sort(files.begin(), files.end(), [](const SetFile& a, const SetFile& b) { return a.name < b.name; });
    return files;
}
