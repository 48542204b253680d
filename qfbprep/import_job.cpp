// qfbprep import BASE [--mipmap-of N] FILE...: PNG files, in the order given, become the frames
// (or frame N's mipmap levels) of the set named by BASE, as 32-bit Targa files, top row first.
#include <cstdio>
#include <cstring>

#include "driver/frame_names.h"
#include "qfbprep/jobs.h"
#include "qfbprep/png_file.h"
#include "qfbprep/prep_set.h"
#include "qfbprep/staged_files.h"

int import_job(int argc, char** argv)
{
    if (argc < 2) {
        print_qfbprep_usage();
        return 1;
    }
    const char* base = argv[0];
    int first = 1;
    int mipmap_of = -1;  // the frame whose levels the files are, or -1 for frames
    if (std::strcmp(argv[1], "--mipmap-of") == 0) {
        // Frame numbers in names are counted in an int; the largest leaves room for the walk.
        if (argc < 4 || !parse_count(argv[2], 0, 99999999, &mipmap_of)) {
            print_qfbprep_usage();
            return 1;
        }
        first = 3;
    }
    if (std::strrchr(base, '.') == nullptr) {
        std::printf("Input file doesn't have an extension: %s\n", base);
        return 1;
    }
    const int count = argc - first;
    if (mipmap_of >= 0 && count > MAX_MIPMAP_LEVEL) {
        std::printf("A frame has at most %d mipmap levels: %d files given.\n", MAX_MIPMAP_LEVEL, count);
        return 1;
    }

    StagedFiles staged;
    for (int i = 0; i < count; ++i) {
        const char* source = argv[first + i];
        const std::string name =
            mipmap_of >= 0 ? member_name(base, mipmap_of, i + 1) : member_name(base, i + 1, 0);
        if (name.empty()) {
            print_names_too_long(base);
            return 1;
        }
        Image image;
        if (!load_png(source, image)) return 1;
        if (!staged.stage(name, image)) return 1;
        std::printf("%s:  %d x %d from %s.\n", name.c_str(), image.width, image.height, source);
    }
    if (!staged.commit_all()) return 1;
    std::printf("%d file%s imported.\n", count, count == 1 ? "" : "s");
    return 0;
}
