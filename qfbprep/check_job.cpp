// qfbprep check BASE: the set as makeqfb will see it, and every file it will not use or will
// refuse, each named with what to do. Status 0 only when there is nothing to say. Every member
// is read once.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cli.h"
#include "frameset.h"
#include "jobs.h"
#include "prep_texts.h"
#include "levels.h"
#include "targa.h"
#include "targa_image.h"

namespace {

class Findings {
public:
    void add(const std::string& line)
    {
        std::fputs(line.c_str(), stdout);
        ++count_;
    }
    // A finding printed by a message other tools print too.
    void add_printed() { ++count_; }
    int count() const { return count_; }

private:
    int count_ = 0;
};

std::string plural(int32_t n, const char* word) { return text_of(PrepText::count_of, n, word, n == 1 ? "" : "s"); }

// One member as makeqfb would read it: its header, and why it would be refused, if it would.
struct Probe {
    TargaHeader header;
    TargaError why = TargaError::none;
    std::string id;  // the image ID, where qfbprep mipmaps keeps its record
};

Probe probe(const std::string& name)
{
    Probe p;
    TargaFile file;
    p.why = file.open(name.c_str());
    p.header = file.header();
    if (p.why == TargaError::none) p.id = file.image_id();
    if (p.why == TargaError::none) p.why = file.locate(SIZE_MAX);
    // Run-length data is only known to be whole once decoded: an image makeqfb could load (one
    // that fits its pixel buffer; a larger one is reported as too large) is decoded.
    if (p.why == TargaError::none && targa_is_rle(p.header) && file.image().image_bytes <= MAX_IMAGE_BYTES) {
        std::vector<uint8_t> decoded(static_cast<size_t>(file.image().image_bytes));
        p.why = file.load(decoded.data());
    }
    return p;
}

// Every member of the set, read once: probes[frame index][level].
using Probes = std::vector<std::vector<Probe>>;

Probes probe_set(const FrameSet& set)
{
    Probes probes;
    for (const SetFrame& frame : set.frames) {
        probes.emplace_back();
        for (int32_t level = 0; level <= frame.mipmaps; ++level) probes.back().push_back(probe(member_name(set.base, frame.number, level)));
    }
    return probes;
}

void check_members(const FrameSet& set, const Probes& probes, Findings& findings)
{
    const std::string first = member_name(set.base, set.first_frame(), 0);
    const Probe& top = probes[0][0];
    for (size_t f = 0; f < set.frames.size(); ++f) {
        for (int32_t level = 0; level <= set.frames[f].mipmaps; ++level) {
            const std::string name = member_name(set.base, set.frames[f].number, level);
            const Probe& p = probes[f][static_cast<size_t>(level)];
            const TargaHeader& h = p.header;
            if (p.why != TargaError::none) {
                findings.add(text_of(PrepText::check_refused, name.c_str(), targa_error_text(p.why)));
                continue;
            }
            if (!packable_depth(h.pixel_depth)) {
                findings.add(text_of(PrepText::check_depth, name.c_str(), h.pixel_depth));
                continue;
            }
            if (top.why != TargaError::none) continue;
            const TargaHeader& t = top.header;
            switch (check_member(t, h, level)) {
            case SetProblem::depth_mismatch:
                findings.add(text_of(PrepText::check_depth_mismatch, name.c_str(), h.pixel_depth, first.c_str(), t.pixel_depth));
                break;
            case SetProblem::frame_size_mismatch:
                findings.add(text_of(PrepText::check_frame_size, name.c_str(), h.width, h.height, first.c_str(), t.width,
                                     t.height));
                break;
            case SetProblem::level_size_mismatch:
                findings.add(text_of(PrepText::check_level_size, name.c_str(), h.width, h.height, level, level_side(t.width, level),
                                  level_side(t.height, level)));
                break;
            default: break;
            }
        }
    }
}

// Levels qfbprep mipmaps made from a level that has changed since: makeqfb would pack them stale.
void check_generated(const FrameSet& set, const Probes& probes, Findings& findings)
{
    for (size_t f = 0; f < set.frames.size(); ++f) {
        for (int32_t level = 1; level <= set.frames[f].mipmaps; ++level) {
            uint64_t recorded = 0;
            if (level_origin(probes[f][static_cast<size_t>(level)].id, &recorded) != LevelOrigin::generated) continue;
            const std::string source = member_name(set.base, set.frames[f].number, level - 1);
            Image above;
            if (!load_image(source.c_str(), above).ok() || image_digest(above) == recorded) continue;
            findings.add(text_of(PrepText::check_stale, member_name(set.base, set.frames[f].number, level).c_str(), source.c_str(), set.base.c_str()));
        }
    }
}

void print_set(const FrameSet& set, const Probes& probes)
{
    const SetFrame& first = set.frames.front();
    if (first.number == SINGLE_IMAGE) {
        say(PrepText::check_single, set.base.c_str(), plural(first.mipmaps, "mipmap level").c_str());
    } else {
        say(PrepText::check_set, set.base.c_str(), plural(set.frame_count(), "frame").c_str(),
                    file_part(member_name(set.base, first.number, 0)).c_str(),
                    file_part(member_name(set.base, set.frames.back().number, 0)).c_str(),
                    plural(first.mipmaps, "mipmap level").c_str());
    }
    for (int32_t level = 0; level <= first.mipmaps; ++level) {
        const Probe& p = probes[0][static_cast<size_t>(level)];
        if (p.why == TargaError::none)
            say(PrepText::check_level, level, p.header.width, p.header.height,
                        p.header.pixel_depth, file_part(member_name(set.base, first.number, level)).c_str());
    }
}

// The size limits makeqfb checks before it converts anything.
void check_capacity(const FrameSet& set, const Probe& top, Findings& findings)
{
    const TargaHeader& t = top.header;
    if (top.why != TargaError::none || !packable_depth(t.pixel_depth)) return;
    const std::string first = member_name(set.base, set.first_frame(), 0);
    switch (check_capacity(t, set.frame_count(), set.mipmap_count())) {
    case SetProblem::image_too_large:
        say_image_too_large(first.c_str(), image_bytes(t.width, t.height, t.pixel_depth),
                            text_of(PrepText::check_capacity_ending).c_str());
        findings.add_printed();
        break;
    case SetProblem::file_too_large:
        say_file_too_large((set.base + ": the ").c_str(), text_of(PrepText::check_file_ending).c_str());
        findings.add_printed();
        break;
    default: break;
    }
}

// Files named for the set that makeqfb will not use.
void check_unused(const FrameSet& set, bool found, const std::vector<SetFile>& files, Findings& findings)
{
    const bool single = found && set.frames[0].number == SINGLE_IMAGE;
    std::map<int32_t, int32_t> mipmaps;  // frame number -> painted levels, for the frames in the set
    for (const SetFrame& frame : set.frames) mipmaps[frame.number] = frame.mipmaps;
    std::map<int32_t, bool> frame_files;  // numbered frames present, in the set or not
    for (const SetFile& file : files)
        if (file.level == 0) frame_files[file.frame] = true;

    std::vector<std::string> hidden;
    for (const SetFile& file : files) {
        const bool in_set = mipmaps.count(file.frame) != 0;
        if (file.level == 0) {
            if (single) {
                hidden.push_back(file.name);
            } else if (!found) {
                findings.add(text_of(PrepText::check_no_start, file.name.c_str()));
            } else if (!in_set) {
                const int32_t gap = set.frames.back().number + 1;
                findings.add(text_of(PrepText::check_gap, file.name.c_str(),
                                    member_name(set.base, gap, 0).c_str()));
            }
            continue;
        }
        const std::string owner = member_name(set.base, file.frame, 0);
        if (in_set && file.level > mipmaps[file.frame]) {
            findings.add(text_of(PrepText::check_level_gap, file.name.c_str(),
                                member_name(set.base, file.frame, mipmaps[file.frame] + 1).c_str()));
        } else if (!in_set && (file.frame == SINGLE_IMAGE ? !single : frame_files.count(file.frame) == 0)) {
            findings.add(text_of(PrepText::check_orphan, file.name.c_str(), owner.c_str()));
        }
    }
    if (!hidden.empty())
        findings.add(text_of(PrepText::check_hides, set.base.c_str(), hidden.front().c_str(),
                            hidden.size() > 1 ? text_of(PrepText::and_more, static_cast<int32_t>(hidden.size()) - 1).c_str() : "",
                            set.base.c_str()));
}

// A base filename that is itself the name of a member of another set.
void check_base_name(const std::string& base, Findings& findings)
{
    const size_t dot = base.rfind('.');
    std::string parent;
    int32_t frame = 0, level = 0;
    if (!parse_frame_filename(base, base.substr(dot), &parent, &frame, &level) || frame == SINGLE_IMAGE) return;
    findings.add(text_of(PrepText::check_is_member, base.c_str(),
                        level == 0 ? text_of(PrepText::frame_number, frame).c_str()
                                   : text_of(PrepText::level_of_frame, level, frame).c_str(),
                        parent.c_str(), parent.c_str()));
}

}  // namespace

int check_job(int argc, char** argv)
{
    CommandLine line;
    if (!read_job_options(nullptr, 0, argc, argv, line)) return 1;  // check takes no option
    if (line.positional.size() != 1) {
        print_qfbprep_usage();
        return 1;
    }
    const std::string base = line.positional[0];
    if (say_if_folder(base.c_str())) return 1;
    if (base.rfind('.') == std::string::npos) {
        say_no_extension(base.c_str());
        return 1;
    }
    FrameSet set;
    const FindResult result = find_frames(base.c_str(), set, true);
    if (result == FindResult::names_too_long) {
        say_names_too_long(base.c_str());
        return 1;
    }
    Findings findings;
    const bool found = result == FindResult::found;
    if (found) {
        const Probes probes = probe_set(set);
        print_set(set, probes);
        check_base_name(base, findings);
        for (const SetFrame& frame : set.frames) {
            if (frame.mipmaps != set.mipmap_count())
                findings.add(text_of(PrepText::check_levels_differ, member_name(base, frame.number, 0).c_str(), plural(frame.mipmaps, "mipmap level").c_str(),
                                  member_name(base, set.first_frame(), 0).c_str(), set.mipmap_count()));
        }
        check_members(set, probes, findings);
        check_generated(set, probes, findings);
        check_capacity(set, probes[0][0], findings);
    } else {
        findings.add(text_of(PrepText::check_nothing,
                          base.c_str(), base.c_str(), member_name(base, 1, 0).c_str()));
    }
    check_unused(set, found, files_named_for(base), findings);
    if (say_short_frame_number(base.c_str())) findings.add_printed();
    if (findings.count() == 0) {
        say(PrepText::check_clean);
        return 0;
    }
    say(PrepText::check_problems, findings.count(), findings.count() == 1 ? "" : "s");
    return 1;
}
