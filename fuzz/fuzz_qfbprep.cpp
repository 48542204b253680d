// libFuzzer target for qfbprep: each input is one image, written into a private folder both as
// the Targa file s.tga and as the PNG file s.png, and every job runs on it in process: check,
// mipmaps, dither to each format, import, and pack. It aborts on any memory error and when a job
// breaks its promises: the status is 0 or 1; no temporary file is ever left behind; a set that
// dither accepted, or that check accepted and mipmaps filled in, is one that makeqfb packs; an
// imported frame reads back as a 32-bit Targa file; pack of the image refuses what makeqfb
// refuses and packs the bytes makeqfb packs.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "bench/quiet_stdout.h"
#include "makeqfb_main.h"
#include "output.h"
#include "jobs.h"
#include "targa.h"

namespace {

void check(bool promise)
{
    if (!promise) std::abort();
}

// The private folders, made once per process and emptied before each input.
class Scratch {
public:
    Scratch()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/fuzz-qfbprep-XXXXXX";
        check(mkdtemp(pattern.data()) != nullptr);
        path_ = pattern;
        check(std::filesystem::create_directory(path_ + "/out"));
    }
    ~Scratch() { std::filesystem::remove_all(path_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string file(const char* name) const { return path_ + "/" + name; }
    void empty() const
    {
        for (const char* folder : {"", "/out"})
            for (const auto& entry : std::filesystem::directory_iterator(path_ + folder))
                if (entry.is_regular_file() || entry.is_symlink()) std::filesystem::remove(entry.path());
    }
    // True when no temporary file of a staged write is left in either folder.
    bool no_temporary() const
    {
        for (const char* folder : {"", "/out"})
            for (const auto& entry : std::filesystem::directory_iterator(path_ + folder))
                if (entry.path().filename().string().find(".tmp") != std::string::npos ||
                    entry.path().filename().string()[0] == '.')
                    return false;
        return true;
    }

private:
    std::string path_;
};

void store(const std::string& name, const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(name.c_str(), "wb");
    check(file != nullptr);
    check(size == 0 || std::fwrite(data, 1, size, file) == size);
    check(std::fclose(file) == 0);
}

// Runs main_function with the words as its arguments and standard output sent to /dev/null.
int run_quietly(int (*main_function)(int, char**), std::initializer_list<std::string> words)
{
    std::vector<std::string> text(words);
    std::vector<char*> argv;
    for (std::string& word : text) argv.push_back(word.data());
    argv.push_back(nullptr);
    int status = -1;
    {
        qfbbench::QuietStdout quiet;
        status = main_function(static_cast<int>(text.size()), argv.data());
    }
    check(status == 0 || status == 1);
    return status;
}

std::vector<uint8_t> read_whole(const std::string& name)
{
    std::vector<uint8_t> bytes(std::filesystem::file_size(name));
    FILE* file = std::fopen(name.c_str(), "rb");
    check(file != nullptr);
    check(bytes.empty() || std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size());
    check(std::fclose(file) == 0);
    return bytes;
}

int makeqfb(const std::string& base)
{
    reset_output();
    return run_quietly(makeqfb_main, {"makeqfb", "4444", "12", base});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Scratch scratch;
    scratch.empty();
    const std::string tga = scratch.file("s.tga"), png = scratch.file("s.png"), out = scratch.file("out");
    store(tga, data, size);
    store(png, data, size);

    const bool clean = run_quietly(qfbprep_main, {"qfbprep", "check", tga}) == 0;
    for (const char* format : {"565", "4444", "1555"}) {
        if (run_quietly(qfbprep_main, {"qfbprep", "dither", format, tga, out}) == 0)
            check(makeqfb(scratch.file("out/s.tga")) == 0);
    }
    // mipmaps reads only the levels it builds from: a set that needs no new level succeeds without
    // its pixels being read, so the set is promised to pack only when check accepted it first.
    if (run_quietly(qfbprep_main, {"qfbprep", "mipmaps", tga, "--levels", "3"}) == 0 && clean) {
        check(run_quietly(qfbprep_main, {"qfbprep", "check", tga}) == 0);
        check(makeqfb(tga) == 0);
    }
    if (run_quietly(qfbprep_main, {"qfbprep", "import", scratch.file("i.tga"), png}) == 0) {
        int32_t width = 0, height = 0, depth = 0;
        check(read_targa_info(scratch.file("i-0001.tga").c_str(), &width, &height, &depth) == 0 && depth == 32);
    }
    // pack of the image alone refuses exactly what makeqfb refuses and packs the same bytes; with
    // every option, or from the PNG file, it keeps its promises too.
    const std::string packed = scratch.file("p.qfb");
    const int plain = run_quietly(qfbprep_main, {"qfbprep", "pack", "4444", "12", packed, tga});
    check(plain == makeqfb(tga));
    if (plain == 0) check(std::filesystem::file_size(packed) == output_size() &&
                          std::memcmp(read_whole(packed).data(), output_buffer, output_size()) == 0);
    run_quietly(qfbprep_main, {"qfbprep", "pack", "1555", "12", packed, tga, "--mipmaps", "3", "--dither", "--alpha-threshold", "100"});
    run_quietly(qfbprep_main, {"qfbprep", "pack", "565", "12", packed, png, "--mipmaps", "--dither", "ordered", "--bleed"});
    run_quietly(qfbprep_main, {"qfbprep", "pack", "4444", "12", packed, png, tga, "--mipmaps", "2", "--keep-coverage", "128",
                               "--dither", "stable", "--strength", "0.5"});
    check(scratch.no_temporary());
    return 0;
}
