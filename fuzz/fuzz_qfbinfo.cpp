// libFuzzer target for qfbinfo: each input is written to a private temporary file and run through
// qfbinfo_main as `qfbinfo FILE` and, when that accepts it and the set is small, as
// `qfbinfo FILE --extract DIR` into a private folder and, for a set of few pixels, with --sheet
// and --animation. Besides memory errors it stops on broken promises: the whole program accepts
// exactly the files the format library's parse accepts, and an extraction writes one Targa file
// per level with pixels that the tool's own probe reads back with the level's size.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <qfb/qfb.h>

#include "qfbinfo_main.h"
#include "targa.h"

namespace {

// Extraction writes one file per level with pixels: keep each input's to a handful. (The report
// prints a line for each, as many as the input's size allows at most: it runs on every input.)
constexpr int64_t MAX_EXTRACTED_LEVELS = 64;
// The pictures encode every pixel: only sets of a few full-size pixels are drawn, to stay fast.
constexpr uint64_t MAX_PICTURE_PIXELS = 65536;

std::string temp_folder()
{
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp");
}

void check(bool promise)
{
    if (!promise) std::abort();
}

// One input file and one extraction folder per process, removed at exit.
class Scratch {
public:
    Scratch()
    {
        std::string name = temp_folder() + "/fuzz-qfbinfo-XXXXXX";
        fd_ = mkstemp(name.data());
        check(fd_ >= 0);
        path_ = name;
        std::string folder = temp_folder() + "/fuzz-qfbinfo-out-XXXXXX";
        check(mkdtemp(folder.data()) != nullptr);
        folder_ = folder;
    }
    ~Scratch()
    {
        close(fd_);
        unlink(path_.c_str());
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::string& store(const uint8_t* data, size_t size)
    {
        check(ftruncate(fd_, 0) == 0);
        for (size_t done = 0; done < size;) {
            const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            check(n > 0);
            done += static_cast<size_t>(n);
        }
        return path_;
    }
    const std::string& folder() const { return folder_; }
    std::string stem() const { return std::filesystem::path(path_).filename().string(); }
    void empty_folder() const
    {
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) std::filesystem::remove(entry.path());
    }

private:
    int fd_ = -1;
    std::string path_;
    std::string folder_;
};

// Runs qfbinfo_main with standard output sent to /dev/null.
int run_quietly(std::initializer_list<std::string> args)
{
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    check(saved >= 0 && null >= 0);
    dup2(null, STDOUT_FILENO);
    close(null);
    std::string argv_text[5];
    char* argv[6] = {};
    int argc = 0;
    for (const std::string& arg : args) {
        argv_text[argc] = arg;
        argv[argc] = argv_text[argc].data();
        ++argc;
    }
    const int status = qfbinfo_main(argc, argv);
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    return status;
}

// The levels with pixels of a sound file: the levels the report lists and extraction writes.
int64_t pixel_levels(const qfb_file& file)
{
    int32_t filled = 0;
    check(qfb_pixel_level_count(&file, &filled) == QFB_OK);
    return int64_t{file.header.frame_count} * filled;
}

void check_extracted(const Scratch& scratch, const qfb_file& file)
{
    int64_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.folder())) {
        int32_t w = -1, hgt = -1, depth = -1;
        check(read_targa_info(entry.path().c_str(), &w, &hgt, &depth) == 0 && depth == 32);
        // After the stem (the input's own name), "-" and a letter name a reduced level.
        const std::string rest = entry.path().filename().string().substr(scratch.stem().size());
        const int letter = rest.size() > 1 && rest[0] == '-' ? static_cast<unsigned char>(rest[1]) : 0;
        const int32_t level = letter >= 'a' ? letter - 96 : 0;  // letters go on past 'z', up to 255
        qfb_level expected;
        check(qfb_get_level(&file, 0, level, &expected) == QFB_OK);
        check(w == expected.width && hgt == expected.height);
        ++files;
    }
    check(files == pixel_levels(file));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Scratch scratch;
    const std::string& path = scratch.store(data, size);
    qfb_file expected;
    const bool sound = qfb_parse(data, size, &expected) == QFB_OK;
    const qfb_header& h = expected.header;
    const int status = run_quietly({"qfbinfo", path});
    check((status == 0) == sound);
    if (status != 0) return 0;

    if (pixel_levels(expected) > MAX_EXTRACTED_LEVELS) return 0;
    check(run_quietly({"qfbinfo", path, "--extract", scratch.folder()}) == 0);
    check_extracted(scratch, expected);
    scratch.empty_folder();
    // The pictures of a small set: the sheet always, the animation unless its frames are empty.
    // An empty frame still takes a cell of the sheet: it counts as a pixel here.
    if (static_cast<uint64_t>(std::max(h.width, 1)) * static_cast<uint64_t>(std::max(h.height, 1)) *
            static_cast<uint64_t>(h.frame_count) >
        MAX_PICTURE_PIXELS)
        return 0;
    check(run_quietly({"qfbinfo", path, "--sheet", scratch.folder() + "/s.png", "--force"}) == 0);
    check(run_quietly({"qfbinfo", path, "--animation", scratch.folder() + "/a.webp", "--force"}) ==
          (h.width == 0 || h.height == 0 ? 1 : 0));
    scratch.empty_folder();
    return 0;
}
