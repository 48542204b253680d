// The qfbinfo command line (see qfbinfo_main.h).
#include "qfbinfo_main.h"

#include <cstdio>
#include <cstring>

#include "cli.h"
#include "info_texts.h"
#include "options.h"
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

// qfbinfo's options after the file's name, one row each; the first five are the actions, of which
// a run takes one.
const OptionRow QFBINFO_OPTIONS[] = {
    {"--extract", OptionValue::word},
    {"--sheet", OptionValue::word},
    {"--animation", OptionValue::word},
    {"--ktx2", OptionValue::word},
    {"--compare", OptionValue::words},
    {"--force", OptionValue::none, 0, 0, {"--extract", "--sheet", "--animation", "--ktx2"},
     "it replaces a file they would write"},
    {"--as-given", OptionValue::none, 0, 0, {"--compare"}, "it keeps the source's files in the order given"},
    {"--json", OptionValue::none, 0, 0, {"--compare"}, "it prints the comparison as JSON"},
    {"--as-stored", OptionValue::none, 0, 0, {"--ktx2"}, "it keeps the stored layouts in the texture"},
};
const Action ACTIONS[] = {Action::extract, Action::sheet, Action::animation, Action::ktx2, Action::compare};

// "FILE" alone, or "FILE" and one action with its options.
Request parse(int argc, char** argv)
{
    Request request;
    if (argc < 2) return request;
    CommandLine line;
    const OptionProblem problem = read_options(QFBINFO_OPTIONS, argc - 2, argv + 2, line);
    if (!problem.ok()) {
        say_option_problem(problem, "qfbinfo");
        request.said = true;
        return request;
    }
    if (!line.positional.empty()) return request;
    const GivenOption* action = nullptr;
    for (size_t a = 0; a < sizeof ACTIONS / sizeof ACTIONS[0]; ++a) {
        const GivenOption* given = line.find(QFBINFO_OPTIONS[a].name);
        if (given == nullptr) continue;
        if (action != nullptr) {
            say(InfoText::two_actions, action->row->name, given->row->name);
            request.said = true;
            return request;
        }
        action = given;
        request.action = ACTIONS[a];
    }
    if (action != nullptr && request.action != Action::compare) request.target = action->values[0];
    if (request.action == Action::compare)
        request.compare.sources.assign(action->values.begin(), action->values.end());
    request.force = line.has("--force");
    request.compare.as_given = line.has("--as-given");
    request.compare.json = line.has("--json");
    request.as_stored = line.has("--as-stored");
    request.valid = true;
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
