// qfbprep dither FORMAT BASE FOLDER [--method M] [--strength S] [--bleed] [--replace]: every
// member of the set, bled and dithered to the format's channel widths, written into FOLDER under
// its own name, ready for makeqfb FORMAT fps FOLDER/<base>. Other files of the set in FOLDER are
// refused, or removed with --replace.

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "alpha_edges.h"
#include "cli.h"
#include "dither.h"
#include "frame_list.h"
#include "frameset.h"
#include "jobs.h"
#include "parallel.h"
#include "platform.h"
#include "prep_texts.h"
#include "stable_chain.h"
#include "targa_image.h"

namespace {

struct Member {
    std::string input, output;
    int32_t level = 0;
    size_t place = 0;  // stable: its place in its level's chain
    Image image;
    StagedFile staged;
};

struct DitherJob {
    int32_t format = -1;
    DitherOptions dithering;
    bool bleed = false;
    bool replace = false;
};

// dither's options, one row each.
const OptionRow DITHER_OPTIONS[] = {
    {"--method", OptionValue::word},
    {"--strength", OptionValue::word},
    {"--bleed"},
    {"--replace"},
};

// False when the command line is wrong; said is true when that is printed already. The format,
// the base filename and the folder are the positional arguments, in that order.
bool parse_options(int argc, char** argv, DitherJob& job, std::vector<const char*>& positional, bool* said)
{
    CommandLine line;
    *said = true;
    if (!read_job_options(DITHER_OPTIONS, argc, argv, line)) return false;
    positional = line.positional;
    *said = false;
    if (positional.size() != 3) return false;
    *said = true;
    if (!read_dithering(line, "--method", job.dithering)) return false;
    job.bleed = line.has("--bleed");
    job.replace = line.has("--replace");
    job.format = qfb_format_code(positional[0]);
    if (job.format < 0) {
        say_unknown_format(positional[0]);
        return false;
    }
    *said = false;
    return true;
}

bool load_member(Member& member)
{
    if (member.output.size() > NAME_BUFFER_SIZE - 1) {
        say_names_too_long(member.output.c_str());
        return false;
    }
    if (same_file(member.input, member.output)) {
        say_output_is_input(member.output.c_str());
        return false;
    }
    const ImageProblem problem = load_image(member.input.c_str(), member.image);
    say_prep_image_problem(problem);
    return problem.ok();
}

void write_member(Member& member, const Image& image, int32_t format)
{
    member.staged.written = write_image(member.output, image, member.staged.file);
    member.staged.line = text_of(PrepText::dithered, member.output.c_str(),
                              qfb_format_name(qfb_packed_format(format, image.bytes_per_pixel())),
                              image.bits_per_pixel);
}

// Dithers the members of one piece, images of one size two at a time, then writes them. For
// stable, each member waits in its level's chain for the frame before.
void work_on(std::vector<Member>& members, size_t first, size_t end, const DitherJob& job, StableChain* chains)
{
    const int32_t format = job.format;
    if (job.bleed)
        for (size_t i = first; i < end; ++i) bleed_colour(members[i].image);
    if (job.dithering.method == DitherMethod::stable) {
        // All dithered first, so that the next piece's frames need not wait for these writes.
        std::vector<std::shared_ptr<const Image>> dithered;
        for (size_t i = first; i < end; ++i) {
            Member& member = members[i];
            const int32_t packed = qfb_packed_format(format, member.image.bytes_per_pixel());
            dithered.push_back(chains[static_cast<size_t>(member.level)].dither(member.place, std::move(member.image),
                                                                                packed, job.dithering));
            member.image = Image();
        }
        for (size_t i = first; i < end; ++i) write_member(members[i], *dithered[i - first], format);
        return;
    }
    std::vector<char> dithered(end - first, 0);
    for (size_t i = first; i < end; ++i) {
        if (dithered[i - first] != 0) continue;
        Image& image = members[i].image;
        const int32_t packed = qfb_packed_format(format, image.bytes_per_pixel());
        size_t partner = i + 1;
        while (partner < end && (dithered[partner - first] != 0 || !members[partner].image.same_shape(image)))
            ++partner;
        if (partner < end) {
            dither_images(image, members[partner].image, packed, job.dithering);
            dithered[partner - first] = 1;
        } else {
            dither_image(image, packed, job.dithering);
        }
    }
    for (size_t i = first; i < end; ++i) {
        write_member(members[i], members[i].image, format);
        std::vector<uint8_t>().swap(members[i].image.pixels);  // its memory can take the members still to be read
    }
}

}  // namespace

int dither_job(int argc, char** argv)
{
    DitherJob job;
    bool said = false;
    std::vector<const char*> positional;
    if (!parse_options(argc, argv, job, positional, &said)) {
        if (!said) print_qfbprep_usage();
        return 1;
    }
    const std::string folder = positional[2];
    platform::FileInfo folder_info;
    if (!platform::info_of_name(folder.c_str(), &folder_info) || !folder_info.folder) {
        say_no_output_folder(folder.c_str());
        return 1;
    }
    FrameSet set;
    const ImageProblem found = find_set(positional[1], set);
    if (!found.ok()) {
        say_prep_image_problem(found);
        return 1;
    }

    // The members are taken two frames at a time (one for stable, which pairs no frames, so that
    // its first frame starts sooner): each piece's members are read and checked in order, then
    // dithered and written into their temporary files while the next pieces are read; the files
    // written are kept in order, what is said about the writing waits until every member is read,
    // and the files take their names once all are written.
    std::vector<Member> members;
    std::vector<size_t> piece_starts;  // the first member of each piece, then the end
    std::vector<size_t> places;        // stable: the members of each level so far
    for (size_t f = 0; f < set.frames.size(); ++f) {
        if (f % (job.dithering.method == DitherMethod::stable ? 1 : 2) == 0) piece_starts.push_back(members.size());
        const SetFrame& frame = set.frames[f];
        for (int32_t level = 0; level <= frame.mipmaps; ++level) {
            if (places.size() <= static_cast<size_t>(level)) places.resize(static_cast<size_t>(level) + 1, 0);
            members.emplace_back();
            members.back().input = member_name(set.base, frame.number, level);
            members.back().level = level;
            members.back().place = places[static_cast<size_t>(level)]++;
            members.back().output = folder + "/" + file_part(members.back().input);
        }
    }
    piece_starts.push_back(members.size());
    const std::unique_ptr<StableChain[]> chains(new StableChain[places.size()]);  // stable: one for each level
    // What the folder holds of the set besides the files written here would be packed with them.
    std::set<std::string> outputs;
    for (const Member& member : members) outputs.insert(member.output);
    const std::string folder_base = folder + "/" + file_part(set.base);
    const std::vector<std::string> leftovers = leftover_files(
        folder_base, outputs.count(folder_base) == 0, [&](const SetFile& file) { return outputs.count(file.name) == 0; });
    if (!refuse_leftovers(folder_base, "dither", leftovers, job.replace)) return 1;
    Staging staging;
    const bool loaded = load_work_and_finish(
        piece_starts.size() - 1,
        [&](size_t p) {
            for (size_t i = piece_starts[p]; i < piece_starts[p + 1]; ++i)
                if (!load_member(members[i])) return false;
            return true;
        },
        [&](size_t p) { work_on(members, piece_starts[p], piece_starts[p + 1], job, chains.get()); },
        [&](size_t p) {
            for (size_t i = piece_starts[p]; i < piece_starts[p + 1]; ++i) staging.keep(members[i].staged);
        });
    if (!loaded || !staging.finish() || !remove_leftovers(leftovers)) return 1;
    say(PrepText::dither_done, members.size(), members.size() == 1 ? "" : "s", folder.c_str());
    return 0;
}
