// The qfbprep command line (see qfbprep_main.h): the usage text and the choice of job.
#include "qfbprep/qfbprep_main.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "qfbprep/jobs.h"

void print_qfbprep_usage()
{
    std::printf("==========================================================================\n");
    std::printf("qfbprep - Prepare the Targa files of a frame set before makeqfb packs them.\n");
    std::printf("usage:    qfbprep check <base filename>\n");
    std::printf("          qfbprep mipmaps <base filename> [--levels N] [--replace]\n");
    std::printf("          qfbprep dither <1555|4444|565> <base filename> <folder>\n");
    std::printf("          qfbprep import <base filename> [--mipmap-of N] <PNG file>...\n");
    std::printf("--------------------------------------------------------------------------\n");
    std::printf("check    prints the set as makeqfb sees it, and every file it will not use\n");
    std::printf("         or will refuse, with what to do; status 1 when there is any.\n");
    std::printf("mipmaps  writes each frame's missing mipmap levels, each half the level\n");
    std::printf("         above, averaged in linear light; painted levels stay unless\n");
    std::printf("         --replace.  N: at most that many levels.\n");
    std::printf("dither   writes every file of the set into the folder, dithered to the\n");
    std::printf("         channel widths of the format, for makeqfb to pack from there.\n");
    std::printf("import   writes PNG files as the frames walk-0001.tga, ... of the base\n");
    std::printf("         filename walk.tga, in the order given; with --mipmap-of N, as the\n");
    std::printf("         mipmap levels a, b, ... of frame N.\n");
    std::printf("\nEvery failure gives one message and status 1, and writes no file.\n");
    std::printf("==========================================================================\n");
}

bool parse_count(const char* text, int low, int high, int* value)
{
    if (text == nullptr || *text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || number < low || number > high) return false;
    *value = static_cast<int>(number);
    return true;
}

int qfbprep_main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        print_qfbprep_usage();
        return 0;
    }
    struct Job {
        const char* name;
        int (*run)(int, char**);
    };
    static const Job jobs[] = {
        {"check", check_job}, {"mipmaps", mipmaps_job}, {"dither", dither_job}, {"import", import_job}};
    if (argc >= 2) {
        for (const Job& job : jobs)
            if (std::strcmp(argv[1], job.name) == 0) return job.run(argc - 2, argv + 2);
    }
    print_qfbprep_usage();
    return 1;
}
