// qfbprep check BASE: the set as makeqfb will see it, and every file it will not use or will
// refuse, each named with what to do. Status 0 only when there is nothing to say.
#include <dirent.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <qfb/qfb.h>

#include "driver/frame_names.h"
#include "output/output_buffer.h"
#include "qfbprep/jobs.h"
#include "qfbprep/prep_set.h"
#include "targa/targa_loader.h"

namespace {

// A file in the base's folder whose name follows the naming convention.
struct NamedFile {
    std::string name;  // as build_frame_filename gives it, folder included
    int32_t frame;     // SINGLE_IMAGE for the single image's levels
    int32_t level;
};

class Findings {
public:
    void add(const std::string& text)
    {
        std::printf("%s\n", text.c_str());
        ++count_;
    }
    int count() const { return count_; }

private:
    int count_ = 0;
};

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...)
{
    char text[1024];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

// The member that name would be of some base with the same extension: "-", an optional level
// letter, then four or more digits or (with a letter) none. False for any other name.
bool parse_member(const std::string& name, const std::string& ext, std::string* parent, int32_t* frame, int32_t* level)
{
    if (name.size() <= ext.size() || name.compare(name.size() - ext.size(), ext.size(), ext) != 0) return false;
    const std::string stem = name.substr(0, name.size() - ext.size());
    size_t digits = 0;
    while (digits < stem.size() && stem[stem.size() - 1 - digits] >= '0' && stem[stem.size() - 1 - digits] <= '9')
        ++digits;
    if (digits > 9 || (digits > 0 && digits < 4)) return false;  // makeqfb counts frames in an int
    size_t at = stem.size() - digits;
    *level = 0;
    if (at > 0 && static_cast<unsigned char>(stem[at - 1]) >= 97) {
        *level = static_cast<unsigned char>(stem[at - 1]) - 96;
        --at;
    }
    if (at == 0 || stem[at - 1] != '-' || (digits == 0 && *level == 0)) return false;
    *frame = digits == 0 ? SINGLE_IMAGE : std::atoi(stem.c_str() + stem.size() - digits);
    *parent = stem.substr(0, at - 1) + ext;
    // Only a name the convention itself gives (0012, not 012 or 00012) is a member.
    return member_name(*parent, *frame, *level) == name;
}

// Every file of the base's folder named as a member of the base's set.
std::vector<NamedFile> files_of_set(const std::string& base)
{
    std::vector<NamedFile> files;
    const size_t dot = base.rfind('.');
    const size_t slash = base.rfind('/');
    if (slash != std::string::npos && slash > dot) return files;  // a "." in a folder: nothing to list
    const std::string folder = slash == std::string::npos ? "." : base.substr(0, slash + 1);
    const std::string prefix = slash == std::string::npos ? "" : folder;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return files;
    const std::string ext = base.substr(dot);
    while (const dirent* entry = readdir(dir)) {
        std::string parent;
        NamedFile file{prefix + entry->d_name, 0, 0};
        if (parse_member(file.name, ext, &parent, &file.frame, &file.level) && parent == base) files.push_back(file);
    }
    closedir(dir);
    std::sort(files.begin(), files.end(), [](const NamedFile& a, const NamedFile& b) { return a.name < b.name; });
    return files;
}

std::string plural(int32_t n, const char* word) { return format("%d %s%s", n, word, n == 1 ? "" : "s"); }

// Geometry of one member as makeqfb's probe sees it; reason non-empty when it would be refused.
struct Probe {
    int32_t width = 0, height = 0, depth = 0;
    TargaError why = TargaError::none;
};

Probe probe(const std::string& name)
{
    Probe p;
    TargaPixels pixels;
    {
        BinaryFile file;
        p.why = locate_targa_pixels(file, name.c_str(), SIZE_MAX, nullptr, pixels);
    }
    p.width = pixels.header.width;
    p.height = pixels.header.height;
    p.depth = pixels.header.pixel_depth;
    // Run-length data is only known to be whole once decoded: an image makeqfb could load (one
    // that fits its pixel buffer; a larger one is reported as too large) is decoded by the loader.
    if (p.why == TargaError::none && targa_is_rle(pixels.header) && pixels.image_bytes <= PIXEL_BUFFER_SIZE) {
        std::vector<uint8_t> decoded(static_cast<size_t>(pixels.image_bytes));
        read_targa(name.c_str(), decoded.data(), decoded.size(), nullptr, &p.why);
    }
    return p;
}

void check_members(const PrepSet& set, Findings& findings)
{
    const std::string first = member_name(set.base, set.frames[0].number, 0);
    const Probe top = probe(first);
    for (const PrepFrame& frame : set.frames) {
        for (int32_t level = 0; level <= frame.mipmaps; ++level) {
            const std::string name = member_name(set.base, frame.number, level);
            const Probe p = level == 0 && frame.number == set.frames[0].number ? top : probe(name);
            if (p.why != TargaError::none) {
                findings.add(format("%s: makeqfb refuses it: %s.", name.c_str(), targa_error_text(p.why)));
            } else if (p.depth != 24 && p.depth != 32) {
                findings.add(format("%s has %d bits per pixel: makeqfb packs only 24 and 32-bit Targa files; "
                                    "save it as 24 or 32-bit colour.", name.c_str(), p.depth));
            } else if (top.why == TargaError::none && p.depth != top.depth) {
                findings.add(format("%s has %d bits per pixel, but %s has %d: makeqfb refuses the set; save every "
                                    "file of the set at the same depth.", name.c_str(), p.depth, first.c_str(), top.depth));
            } else if (top.why == TargaError::none && level == 0 && (p.width != top.width || p.height != top.height)) {
                findings.add(format("%s is %d x %d, but the first frame %s is %d x %d: makeqfb refuses the set; "
                                    "give every frame the same size.", name.c_str(), p.width, p.height, first.c_str(),
                                    top.width, top.height));
            } else if (top.why == TargaError::none &&
                       (p.width != top.width >> level || p.height != top.height >> level)) {
                findings.add(format("%s is %d x %d, but level %d must be %d x %d, half the level above: makeqfb "
                                    "refuses the set; resize it, or make the levels again with qfbprep mipmaps "
                                    "--replace.", name.c_str(), p.width, p.height, level, top.width >> level,
                                    top.height >> level));
            }
        }
    }
}

void print_set(const PrepSet& set)
{
    const PrepFrame& first = set.frames.front();
    const std::string first_name = member_name(set.base, first.number, 0);
    if (first.number == SINGLE_IMAGE) {
        std::printf("%s: a single image, %s\n", set.base.c_str(), plural(first.mipmaps, "mipmap level").c_str());
    } else {
        std::printf("%s: %s (%s to %s), %s per frame\n", set.base.c_str(),
                    plural(static_cast<int32_t>(set.frames.size()), "frame").c_str(), file_part(first_name).c_str(),
                    file_part(member_name(set.base, set.frames.back().number, 0)).c_str(),
                    plural(first.mipmaps, "mipmap level").c_str());
    }
    for (int32_t level = 0; level <= first.mipmaps; ++level) {
        const std::string name = member_name(set.base, first.number, level);
        const Probe p = probe(name);
        if (p.why == TargaError::none)
            std::printf("  level %d: %d x %d, %dbpp (%s)\n", level, p.width, p.height, p.depth, file_part(name).c_str());
    }
}

// The size limits makeqfb checks before it converts anything.
void check_capacity(const PrepSet& set, Findings& findings)
{
    const std::string first = member_name(set.base, set.frames[0].number, 0);
    const Probe top = probe(first);
    if (top.why != TargaError::none || (top.depth != 24 && top.depth != 32)) return;
    const uint64_t bytes = uint64_t{static_cast<uint32_t>(top.width)} * static_cast<uint32_t>(top.height) * (top.depth / 8u);
    if (bytes > PIXEL_BUFFER_SIZE) {
        findings.add(format("%s is too large: %llu bytes of pixels, more than the %zu bytes an image may have: makeqfb "
                            "refuses it; make it smaller.", first.c_str(), static_cast<unsigned long long>(bytes),
                            PIXEL_BUFFER_SIZE));
        return;
    }
    const qfb_header header = {top.width, top.height, QFB_FORMAT_565, 1, static_cast<int32_t>(set.frames.size()),
                               set.frames[0].mipmaps};
    qfb_file layout;
    if (qfb_layout(&header, &layout) != QFB_OK || layout.size > QFB_MAX_FILE_SIZE)
        findings.add(format("%s: the QFB file would be larger than the %d bytes a QFB file may have: makeqfb refuses "
                            "the set; pack fewer or smaller frames.", set.base.c_str(), QFB_MAX_FILE_SIZE));
}

// Files named for the set that makeqfb will not use.
void check_unused(const PrepSet& set, bool found, const std::vector<NamedFile>& files, Findings& findings)
{
    const bool single = found && set.frames[0].number == SINGLE_IMAGE;
    std::map<int32_t, int32_t> mipmaps;  // frame number -> painted levels, for the frames in the set
    for (const PrepFrame& frame : set.frames) mipmaps[frame.number] = frame.mipmaps;
    std::map<int32_t, bool> frame_files;  // numbered frames present, in the set or not
    for (const NamedFile& file : files)
        if (file.level == 0) frame_files[file.frame] = true;

    std::vector<std::string> hidden;
    for (const NamedFile& file : files) {
        const bool in_set = mipmaps.count(file.frame) != 0;
        if (file.level == 0) {
            if (single) {
                hidden.push_back(file.name);
            } else if (!found) {
                findings.add(format("%s is not used: makeqfb starts a set at frame 0000 or 0001, and neither is "
                                    "there; number the frames from 0001.", file.name.c_str()));
            } else if (!in_set) {
                const int32_t gap = set.frames.back().number + 1;
                findings.add(format("%s is not used: makeqfb stops at the gap before it (%s is missing); number "
                                    "the frames without a gap.", file.name.c_str(),
                                    member_name(set.base, gap, 0).c_str()));
            }
            continue;
        }
        const std::string owner = member_name(set.base, file.frame, 0);
        if (in_set && file.level > mipmaps[file.frame]) {
            findings.add(format("%s is not used: %s, the level before it, is missing; name the levels from a "
                                "without a gap.", file.name.c_str(),
                                member_name(set.base, file.frame, mipmaps[file.frame] + 1).c_str()));
        } else if (!in_set && (file.frame == SINGLE_IMAGE ? !single : frame_files.count(file.frame) == 0)) {
            findings.add(format("%s is not used: its image %s is missing.", file.name.c_str(), owner.c_str()));
        }
    }
    if (!hidden.empty())
        findings.add(format("%s hides the numbered frames (%s%s): makeqfb packs %s alone when it exists; rename or "
                            "remove it to pack the frames.", set.base.c_str(), hidden.front().c_str(),
                            hidden.size() > 1 ? format(" and %d more", static_cast<int32_t>(hidden.size()) - 1).c_str() : "",
                            set.base.c_str()));
}

// A base filename that is itself the name of a member of another set.
void check_base_name(const std::string& base, Findings& findings)
{
    const size_t dot = base.rfind('.');
    std::string parent;
    int32_t frame = 0, level = 0;
    if (!parse_member(base, base.substr(dot), &parent, &frame, &level) || frame == SINGLE_IMAGE) return;
    findings.add(format("%s is itself %s of the set %s: makeqfb packs it alone as a set of one image; give %s as "
                        "the base filename.", base.c_str(),
                        level == 0 ? format("frame %d", frame).c_str() : format("level %d of frame %d", level, frame).c_str(),
                        parent.c_str(), parent.c_str()));
}

}  // namespace

int check_job(int argc, char** argv)
{
    if (argc != 1) {
        print_qfbprep_usage();
        return 1;
    }
    const std::string base = argv[0];
    if (base.rfind('.') == std::string::npos) {
        std::printf("Input file doesn't have an extension: %s\n", base.c_str());
        return 1;
    }
    PrepSet set;
    const PrepSetResult result = find_prep_set(base.c_str(), set);
    if (result == PrepSetResult::name_too_long) {
        print_names_too_long(base.c_str());
        return 1;
    }
    Findings findings;
    const bool found = result == PrepSetResult::found;
    if (found) {
        print_set(set);
        check_base_name(base, findings);
        for (const PrepFrame& frame : set.frames) {
            if (frame.mipmaps != set.frames[0].mipmaps)
                findings.add(format("%s has %s, but %s has %d: makeqfb refuses the set; give every frame the same "
                                    "levels (qfbprep mipmaps fills them in).",
                                    member_name(base, frame.number, 0).c_str(), plural(frame.mipmaps, "mipmap level").c_str(),
                                    member_name(base, set.frames[0].number, 0).c_str(), set.frames[0].mipmaps));
        }
        check_members(set, findings);
        check_capacity(set, findings);
    } else {
        findings.add(format("%s: no file of the set is there (neither %s nor %s): makeqfb finds nothing to pack.",
                            base.c_str(), base.c_str(), member_name(base, 1, 0).c_str()));
    }
    check_unused(set, found, files_of_set(base), findings);
    if (findings.count() == 0) {
        std::printf("makeqfb packs this set as it stands.\n");
        return 0;
    }
    std::printf("%s.\n", plural(findings.count(), "problem").c_str());
    return 1;
}
