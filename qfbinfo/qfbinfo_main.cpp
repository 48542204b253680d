// The qfbinfo command line (see qfbinfo_main.h).
#include "qfbinfo/qfbinfo_main.h"

#include <cstdio>
#include <cstring>

#include "qfbinfo/qfb_check.h"
#include "qfbinfo/qfb_extract.h"
#include "qfbinfo/qfb_report.h"
#include "targa/binary_file.h"

void print_qfbinfo_usage()
{
    std::printf("==========================================================================\n");
    std::printf("qfbinfo - Show, check and unpack a QFB(\"Quillfer Bitmap file\") file.\n");
    std::printf("usage:    qfbinfo <qfb file>\n");
    std::printf("          qfbinfo <qfb file> --extract <folder>\n");
    std::printf("--------------------------------------------------------------------------\n");
    std::printf("The first form checks the file and prints its header and every level of\n");
    std::printf("every frame: its size in pixels and in bytes and where it starts.\n");
    std::printf("\nThe second form checks the file and writes every level of every frame\n");
    std::printf("into the folder, which must exist, as 32-bit Targa files named the way\n");
    std::printf("makeqfb looks for them:  test.qfb gives test.tga, test-a.tga, ... for a\n");
    std::printf("single frame, and test-0001.tga, test-a0001.tga, test-0002.tga, ... for\n");
    std::printf("several.  Files of those names are replaced.\n");
    std::printf("\nA file that is damaged or not a QFB file gives one message and status 1.\n");
    std::printf("==========================================================================\n");
}

int qfbinfo_main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        print_qfbinfo_usage();
        return 0;
    }
    const bool extract = argc == 4 && std::strcmp(argv[2], "--extract") == 0;
    if (argc != 2 && !extract) {
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
    if (!extract) {
        print_qfb_report(name, check.file, check.file_size);
        return 0;
    }
    return extract_qfb(name, file, check, argv[3]);
}
