// The qfbinfo command line (see qfbinfo_main.h).
#include "qfbinfo_main.h"

#include <cstdio>
#include <cstring>

#include "cli.h"
#include "qfb_jobs.h"

namespace {

// What the command line asks for after the file's name.
enum class Action { report, extract, sheet, animation, ktx2, compare };

struct Request {
    Action action = Action::report;
    const char* target = nullptr;  // the folder, picture or texture file
    CompareRequest compare;        // the source and its options
    bool force = false;
    bool as_stored = false;        // --ktx2 in the formats of the stored layouts
    bool valid = false;
    bool said = false;  // the refusal is printed already
};

// Sets *flag when arg is the option name, given once; false for anything else.
bool flag_option(const char* arg, const char* name, bool* flag)
{
    if (std::strcmp(arg, name) != 0 || *flag) return false;
    *flag = true;
    return true;
}

// "FILE", "FILE OPTION TARGET" with an optional --force after the file (and --as-stored for
// --ktx2), or "FILE --compare SOURCE..." with --as-given and --json.
Request parse(int argc, char** argv)
{
    Request request;
    if (argc < 2) return request;
    static const struct {
        const char* option;
        Action action;
    } actions[] = {{"--extract", Action::extract}, {"--sheet", Action::sheet}, {"--animation", Action::animation},
                   {"--ktx2", Action::ktx2}};
    int options = 0;
    for (int i = 2; i < argc; ++i) {
        if (flag_option(argv[i], "--force", &request.force) || flag_option(argv[i], "--as-given", &request.compare.as_given) ||
            flag_option(argv[i], "--json", &request.compare.json) || flag_option(argv[i], "--as-stored", &request.as_stored))
            continue;
        if (std::strcmp(argv[i], "--compare") == 0) {
            const char* first = nullptr;
            if (!option_value(argc, argv, i, &first, &request.said)) return request;
            request.action = Action::compare;
            // The source: every argument up to the next option.
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) request.compare.sources.push_back(argv[++i]);
            if (++options > 1) return request;
            continue;
        }
        bool known = false;
        for (const auto& a : actions) {
            if (known || std::strcmp(argv[i], a.option) != 0) continue;
            if (!option_value(argc, argv, i, &request.target, &request.said)) return request;
            request.action = a.action;
            known = true;
            ++i;
        }
        if (!known || ++options > 1) return request;
    }
    const bool compare_options = request.compare.as_given || request.compare.json;
    request.valid = request.action == Action::compare ? !request.force && !request.as_stored
                                                       : (options == 1 || !request.force) && !compare_options &&
                                                             (request.action == Action::ktx2 || !request.as_stored);
    return request;
}

}  // namespace

void print_qfbinfo_usage()
{
    print_usage_banner("qfbinfo - Show, check and unpack a QFB(\"Quillfer Bitmap file\") file.\n"
                       "usage:    qfbinfo <qfb file>\n"
                       "          qfbinfo <qfb file> --extract <folder> [--force]\n"
                       "          qfbinfo <qfb file> --sheet <file.png> [--force]\n"
                       "          qfbinfo <qfb file> --animation <file.webp> [--force]\n"
                       "          qfbinfo <qfb file> --compare <source>... [--as-given] [--json]\n"
                       "          qfbinfo <qfb file> --ktx2 <file.ktx2> [--as-stored] [--force]\n",
                       "The first form checks the file and prints its header and every level of\n"
                       "every frame: its size in pixels and in bytes and where it starts.\n"
                       "\n--extract writes every level of every frame into the folder (made if it\n"
                       "is missing) as 32-bit Targa files named the way makeqfb looks for them:\n"
                       "test.qfb gives test.tga, test-a.tga, ... for a single frame, and\n"
                       "test-0001.tga, test-a0001.tga, test-0002.tga, ... for several.\n"
                       "\n--sheet draws every frame, its full-size level with its mipmaps beside\n"
                       "it, in a grid over a checkerboard, small sets scaled up, as a PNG file.\n"
                       "--animation writes the full-size levels as a lossless animated WebP file\n"
                       "at the file's fps, looping forever.\n"
                       "\n--compare measures how closely the file shows the frames it was packed\n"
                       "from, named as qfbprep pack takes them (a base filename, or image files\n"
                       "in natural order unless --as-given): for every level of every frame\n"
                       "the PSNR of each channel and of all, the PSNR after a blur, the largest\n"
                       "error and the flicker, then the same for the whole file. --json prints\n"
                       "them as one JSON document.\n"
                       "\n--ktx2 writes the frames as one KTX2 texture, one layer a frame (a 2D\n"
                       "texture for one frame), the levels that are not empty, the fps in\n"
                       "KTXanimData, in R5G6B5, R4G4B4A4 or R5G5B5A1, which every API takes;\n"
                       "--as-stored writes 4444 as A4R4G4B4 and 1555 as A1R5G5B5 (Vulkan,\n"
                       "Direct3D).\n"
                       "\nNo file is ever replaced: if a name to be written is taken, nothing is\n"
                       "written and the name is given, unless --force is there.\n"
                       "A file that is damaged or not a QFB file gives one message and status 1.\n");
}

int qfbinfo_main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        print_qfbinfo_usage();
        return 0;
    }
    const Request request = parse(argc, argv);
    if (!request.valid) {
        if (!request.said) print_qfbinfo_usage();
        return 1;
    }
    const char* name = argv[1];
    QfbCheck check;
    check_qfb_file(name, check);
    if (check.problem != QfbProblem::none) {
        print_qfb_problem(name, check);
        return 1;
    }
    switch (request.action) {
    case Action::report: break;
    case Action::extract: return extract_qfb(name, check, request.target, request.force);
    case Action::sheet: return make_sheet(name, check, request.target, request.force);
    case Action::animation: return make_animation(name, check, request.target, request.force);
    case Action::ktx2: return write_ktx2_texture(name, check, request.target, request.force, request.as_stored);
    case Action::compare: return compare_qfb(name, check, request.compare);
    }
    print_qfb_report(name, check.file, check.file_size);
    return 0;
}
