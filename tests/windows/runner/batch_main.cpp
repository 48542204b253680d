// The differential test's runner inside Wine: one Windows process runs the tools' mains on many
// cases in turn, as the fuzz targets run them in process, so that the test pays Wine's start-up
// once instead of once a run. Each line of the list names a folder, a tool and its arguments,
// separated by the unit separator (0x1f); the runner goes into the folder, sends standard output
// (binary, as the tools' own start-up sets it) to OUT\N.out and writes the exit status to
// OUT\N.status, N counting the lines from 0.
//
//     windows_batch.exe LIST OUT
#include <direct.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files.h"
#include "image_codecs.h"
#include "jobs.h"
#include "makeqfb_main.h"
#include "qfbinfo_main.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: windows_batch LIST OUT\n");
        return 2;
    }
    if (!start_image_codecs()) return 2;
    install_fault_guard();
    std::FILE* list = std::fopen(argv[1], "rb");
    if (list == nullptr) return 2;
    const std::string out = argv[2];
    std::string line;
    int number = 0;
    for (int c = std::fgetc(list); c != EOF || !line.empty(); c = std::fgetc(list)) {
        if (c != '\n' && c != EOF) {
            line += static_cast<char>(c);
            continue;
        }
        std::vector<std::string> fields(1);
        for (char ch : line) {
            if (ch == '\x1f')
                fields.emplace_back();
            else
                fields.back() += ch;
        }
        line.clear();
        if (fields.size() < 2 || _chdir(fields[0].c_str()) != 0) return 2;
        std::vector<char*> args;
        for (size_t i = 1; i < fields.size(); ++i) args.push_back(&fields[i][0]);
        args.push_back(nullptr);
        const std::string stem = out + "\\" + std::to_string(number++);
        if (std::freopen((stem + ".out").c_str(), "wb", stdout) == nullptr) return 2;
        const std::string tool = fields[1];
        const int count = static_cast<int>(args.size() - 1);
        const int status = tool == "makeqfb" ? makeqfb_main(count, args.data())
                           : tool == "qfbinfo" ? qfbinfo_main(count, args.data())
                                               : qfbprep_main(count, args.data());
        std::fflush(stdout);
        std::FILE* written = std::fopen((stem + ".status").c_str(), "wb");
        if (written == nullptr) return 2;
        std::fprintf(written, "%d", status);
        std::fclose(written);
        if (c == EOF) break;
    }
    std::fclose(list);
    return 0;
}
