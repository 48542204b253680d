// The qfbinfo command line (see qfbinfo_main.h).
#include "qfbinfo/qfbinfo_main.h"

#include <cstdio>
#include <cstring>

#include "qfbinfo/qfb_check.h"
#include "qfbinfo/qfb_extract.h"
#include "qfbinfo/qfb_pictures.h"
#include "qfbinfo/qfb_report.h"
#include "targa/binary_file.h"

namespace {

// What the command line asks for after the file's name.
enum class Action { report, extract, sheet, animation };

struct Request {
    Action action = Action::report;
    const char* target = nullptr;  // the folder or picture file
    bool force = false;
    bool valid = false;
};

// "FILE", or "FILE OPTION TARGET" with an optional --force after the file.
Request parse(int argc, char** argv)
{
    Request request;
    if (argc < 2) return request;
    static const struct {
        const char* option;
        Action action;
    } actions[] = {{"--extract", Action::extract}, {"--sheet", Action::sheet}, {"--animation", Action::animation}};
    int options = 0;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--force") == 0 && !request.force) {
            request.force = true;
            continue;
        }
        bool known = false;
        for (const auto& a : actions) {
            if (std::strcmp(argv[i], a.option) != 0 || i + 1 >= argc) continue;
            request.action = a.action;
            request.target = argv[++i];
            known = true;
        }
        if (!known || ++options > 1) return request;
    }
    request.valid = options == 1 || !request.force;
    return request;
}

}  // namespace

void print_qfbinfo_usage()
{
    std::printf("==========================================================================\n");
    std::printf("qfbinfo - Show, check and unpack a QFB(\"Quillfer Bitmap file\") file.\n");
    std::printf("usage:    qfbinfo <qfb file>\n");
    std::printf("          qfbinfo <qfb file> --extract <folder> [--force]\n");
    std::printf("          qfbinfo <qfb file> --sheet <file.png> [--force]\n");
    std::printf("          qfbinfo <qfb file> --animation <file.webp> [--force]\n");
    std::printf("--------------------------------------------------------------------------\n");
    std::printf("The first form checks the file and prints its header and every level of\n");
    std::printf("every frame: its size in pixels and in bytes and where it starts.\n");
    std::printf("\n--extract writes every level of every frame into the folder (made if it\n");
    std::printf("is missing) as 32-bit Targa files named the way makeqfb looks for them:\n");
    std::printf("test.qfb gives test.tga, test-a.tga, ... for a single frame, and\n");
    std::printf("test-0001.tga, test-a0001.tga, test-0002.tga, ... for several.\n");
    std::printf("\n--sheet draws every frame, its full-size level with its mipmaps beside\n");
    std::printf("it, in a grid over a checkerboard, small sets scaled up, as a PNG file.\n");
    std::printf("--animation writes the full-size levels as a lossless animated WebP file\n");
    std::printf("at the file's fps, looping forever.\n");
    std::printf("\nNo file is ever replaced: if a name to be written is taken, nothing is\n");
    std::printf("written and the name is given, unless --force is there.\n");
    std::printf("A file that is damaged or not a QFB file gives one message and status 1.\n");
    std::printf("==========================================================================\n");
}

int qfbinfo_main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        print_qfbinfo_usage();
        return 0;
    }
    const Request request = parse(argc, argv);
    if (!request.valid) {
        print_qfbinfo_usage();
        return 1;
    }
    const char* name = argv[1];
    BinaryFile file;
    const QfbCheck check = check_qfb_file(name, file);
    if (check.problem != QfbProblem::none) {
        print_qfb_problem(name, check);
        return 1;
    }
    switch (request.action) {
    case Action::report: break;
    case Action::extract: return extract_qfb(name, file, check, request.target, request.force);
    case Action::sheet: return make_sheet(name, file, check, request.target, request.force);
    case Action::animation: return make_animation(name, file, check, request.target, request.force);
    }
    print_qfb_report(name, check.file, check.file_size);
    return 0;
}
