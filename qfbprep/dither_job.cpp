// qfbprep dither FORMAT BASE FOLDER: every member of the set, dithered to the format's channel
// widths, written into FOLDER under its own name, ready for makeqfb FORMAT fps FOLDER/<base>.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/frame_names.h"
#include "qfbprep/dither.h"
#include "qfbprep/jobs.h"
#include "qfbprep/parallel.h"
#include "qfbprep/prep_set.h"
#include "qfbprep/staged_files.h"

namespace {

bool same_file(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

int dither_job(int argc, char** argv)
{
    PixelFormat format = FORMAT_1555;
    if (argc != 3) {
        print_qfbprep_usage();
        return 1;
    }
    if (!parse_format(argv[0], &format)) {
        std::printf("Unknown format parameter: %s.  Must be 1555, 4444, or 565.\n", argv[0]);
        return 1;
    }
    const std::string folder = argv[2];
    struct stat folder_stat {};
    if (stat(folder.c_str(), &folder_stat) != 0 || !S_ISDIR(folder_stat.st_mode)) {
        std::printf("Output folder doesn't exist: %s\n", folder.c_str());
        return 1;
    }
    PrepSet set;
    if (!find_prep_set_or_say(argv[1], set)) return 1;

    // The members are taken two frames at a time: each piece's members are read and checked in
    // order, then dithered (images of one size two at a time) and written into their temporary
    // files while the next pieces are read; the files written are kept in order, what is said
    // about the writing waits until every member is read, and the files take their names once
    // all are written.
    struct Member {
        std::string input, output;
        Image image;
        StagedWrite written;
    };
    std::vector<Member> members;
    std::vector<size_t> piece_starts;  // the first member of each piece, then the end
    for (size_t f = 0; f < set.frames.size(); ++f) {
        if (f % 2 == 0) piece_starts.push_back(members.size());
        const PrepFrame& frame = set.frames[f];
        for (int32_t level = 0; level <= frame.mipmaps; ++level) {
            const std::string name = member_name(set.base, frame.number, level);
            members.push_back(Member{name, folder + "/" + file_part(name), Image(), StagedWrite()});
        }
    }
    piece_starts.push_back(members.size());
    auto load_member = [&](Member& member) {
        if (member.output.size() > NAME_BUFFER_SIZE - 1) {
            print_names_too_long(member.output.c_str());
            return false;
        }
        if (same_file(member.input, member.output)) {
            std::printf("The output file %s is one of the input files and would be overwritten.\n",
                        member.output.c_str());
            return false;
        }
        return load_image(member.input.c_str(), member.image);
    };
    auto format_of = [&](const Image& image) { return packed_format(format, image.bits_per_pixel); };
    auto work_on = [&](size_t first, size_t end) {
        std::vector<char> dithered(end - first, 0);
        for (size_t i = first; i < end; ++i) {
            if (dithered[i - first] != 0) continue;
            Image& image = members[i].image;
            size_t partner = i + 1;
            while (partner < end && (dithered[partner - first] != 0 || !members[partner].image.same_shape(image)))
                ++partner;
            if (partner < end) {
                dither_images(image, members[partner].image, format_of(image));
                dithered[partner - first] = 1;
            } else {
                dither_image(image, format_of(image));
            }
        }
        for (size_t i = first; i < end; ++i) {
            Member& member = members[i];
            member.written = StagedFiles::write(member.output, member.image);
            std::vector<uint8_t>().swap(member.image.pixels);  // its memory can take the members still to be read
        }
    };
    StagedFiles staged(true);
    bool staged_all = true;
    const bool loaded = load_work_and_finish(
        piece_starts.size() - 1,
        [&](size_t p) {
            for (size_t i = piece_starts[p]; i < piece_starts[p + 1]; ++i)
                if (!load_member(members[i])) return false;
            return true;
        },
        [&](size_t p) { work_on(piece_starts[p], piece_starts[p + 1]); },
        [&](size_t p) {
            for (size_t i = piece_starts[p]; i < piece_starts[p + 1] && staged_all; ++i) {
                Member& member = members[i];
                staged_all = staged.keep(member.output, std::move(member.written));
                if (staged_all) {
                    staged.say("%s:  dithered for %s from %dbpp.\n", member.output.c_str(),
                               qfb_format_name(format_of(member.image)), member.image.bits_per_pixel);
                }
            }
        });
    if (!loaded) return 1;
    staged.print_held();
    if (!staged_all) return 1;
    const size_t written = members.size();
    if (!staged.commit_all()) return 1;
    std::printf("%zu file%s dithered into %s.\n", written, written == 1 ? "" : "s", folder.c_str());
    return 0;
}
