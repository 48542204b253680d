// qfbprep dither FORMAT BASE FOLDER [--replace]: every member of the set, dithered to the format's
// channel widths, written into FOLDER under its own name, ready for makeqfb FORMAT fps
// FOLDER/<base>. Other files of the set in FOLDER are refused, or removed with --replace.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "cli.h"
#include "dither.h"
#include "frameset.h"
#include "jobs.h"
#include "parallel.h"

namespace {

bool same_file(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

struct Member {
    std::string input, output;
    Image image;
    StagedFile staged;
};

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
    const LoadRefusal refusal = load_image(member.input.c_str(), member.image);
    say_not_loaded("Targa", member.input.c_str(), refusal);
    return refusal.kind == LoadRefusal::none;
}

// Dithers the members of one piece, images of one size two at a time, then writes them.
void work_on(std::vector<Member>& members, size_t first, size_t end, int32_t format)
{
    std::vector<char> dithered(end - first, 0);
    for (size_t i = first; i < end; ++i) {
        if (dithered[i - first] != 0) continue;
        Image& image = members[i].image;
        const int32_t packed = qfb_packed_format(format, image.bytes_per_pixel());
        size_t partner = i + 1;
        while (partner < end && (dithered[partner - first] != 0 || !members[partner].image.same_shape(image)))
            ++partner;
        if (partner < end) {
            dither_images(image, members[partner].image, packed);
            dithered[partner - first] = 1;
        } else {
            dither_image(image, packed);
        }
    }
    for (size_t i = first; i < end; ++i) {
        Member& member = members[i];
        member.staged.written = write_image(member.output, member.image, member.staged.file);
        member.staged.line = text("%s:  dithered for %s from %dbpp.\n", member.output.c_str(),
                                  qfb_format_name(qfb_packed_format(format, member.image.bytes_per_pixel())),
                                  member.image.bits_per_pixel);
        std::vector<uint8_t>().swap(member.image.pixels);  // its memory can take the members still to be read
    }
}

}  // namespace

int dither_job(int argc, char** argv)
{
    const bool replace = argc == 4 && std::strcmp(argv[3], "--replace") == 0;
    if (argc != 3 && !replace) {
        print_qfbprep_usage();
        return 1;
    }
    const int32_t format = qfb_format_code(argv[0]);
    if (format < 0) {
        say_unknown_format(argv[0]);
        return 1;
    }
    const std::string folder = argv[2];
    struct stat folder_stat {};
    if (stat(folder.c_str(), &folder_stat) != 0 || !S_ISDIR(folder_stat.st_mode)) {
        say_no_output_folder(folder.c_str());
        return 1;
    }
    FrameSet set;
    if (!find_set_or_say(argv[1], set)) return 1;

    // The members are taken two frames at a time: each piece's members are read and checked in
    // order, then dithered and written into their temporary files while the next pieces are read;
    // the files written are kept in order, what is said about the writing waits until every
    // member is read, and the files take their names once all are written.
    std::vector<Member> members;
    std::vector<size_t> piece_starts;  // the first member of each piece, then the end
    for (size_t f = 0; f < set.frames.size(); ++f) {
        if (f % 2 == 0) piece_starts.push_back(members.size());
        const SetFrame& frame = set.frames[f];
        for (int32_t level = 0; level <= frame.mipmaps; ++level) {
            members.emplace_back();
            members.back().input = member_name(set.base, frame.number, level);
            members.back().output = folder + "/" + file_part(members.back().input);
        }
    }
    piece_starts.push_back(members.size());
    // What the folder holds of the set besides the files written here would be packed with them.
    std::set<std::string> outputs;
    for (const Member& member : members) outputs.insert(member.output);
    const std::string folder_base = folder + "/" + file_part(set.base);
    const std::vector<std::string> leftovers = leftover_files(
        folder_base, outputs.count(folder_base) == 0, [&](const SetFile& file) { return outputs.count(file.name) == 0; });
    if (!refuse_leftovers(folder_base, "dither", leftovers, replace)) return 1;
    Staging staging;
    const bool loaded = load_work_and_finish(
        piece_starts.size() - 1,
        [&](size_t p) {
            for (size_t i = piece_starts[p]; i < piece_starts[p + 1]; ++i)
                if (!load_member(members[i])) return false;
            return true;
        },
        [&](size_t p) { work_on(members, piece_starts[p], piece_starts[p + 1], format); },
        [&](size_t p) {
            for (size_t i = piece_starts[p]; i < piece_starts[p + 1]; ++i) staging.keep(members[i].staged);
        });
    if (!loaded || !staging.finish() || !remove_leftovers(leftovers)) return 1;
    std::printf("%zu file%s dithered into %s.\n", members.size(), members.size() == 1 ? "" : "s", folder.c_str());
    return 0;
}
