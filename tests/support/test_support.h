// Helpers shared by the tests: private temporary folders, whole-file I/O, running the real
// makeqfb and qfbinfo binaries, and building Targa files in memory as fixtures.
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qfbtest {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void write_file(const std::string& path, const Bytes& bytes);
Bytes read_file(const std::string& path);
bool exists(const std::string& path);

// Everything below folder, by path relative to it: files by their contents, links by their text
// (never followed), "folder" for folders (their contents listed too), "named pipe" for FIFOs.
std::map<std::string, std::string> snapshot(const std::string& folder);

// While it lives, files may not grow past bytes: a write past that fails as on a full disk
// (EFBIG, SIGXFSZ ignored). A child process inherits the limit.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    sighandler_t old_handler_;
    rlimit saved_{};
};

struct RunResult {
    int status = -1;     // exit status, or -1 when the process did not exit normally
    std::string output;  // everything written to standard output
};

// No run of a tool in the tests prints near this much: one that does has a walk that its input
// does not bound, and is killed (status -1) rather than left to fill the memory.
constexpr size_t MAX_RUN_OUTPUT = size_t{64} << 20;

// Runs program with args (no shell) in folder cwd, capturing standard output.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd = ".");
// Runs the makeqfb binary of this build; when the environment variable MAKEQFB_WRAPPER holds a
// command (words split at spaces, e.g. "valgrind -q --error-exitcode=99"), under that command.
RunResult run_makeqfb(const std::vector<std::string>& args, const std::string& cwd = ".");
// A line of the manifest make_animation_samples.py writes: a sample file, its size, its frame
// count and the durations Pillow reads (milliseconds, comma-separated).
struct AnimationSample {
    std::string name;
    int32_t width = 0, height = 0;
    size_t frames = 0;
    std::string durations;
};
std::vector<AnimationSample> read_animation_manifest(const std::string& path);

// Runs the qfbprep binary of this build (where it is built).
RunResult run_qfbprep(const std::vector<std::string>& args, const std::string& cwd = ".");
// Runs the qfbinfo binary of this build.
RunResult run_qfbinfo(const std::vector<std::string>& args, const std::string& cwd = ".");

// A Targa file described field by field; to_bytes() lays it out exactly as written here.
struct Tga {
    uint8_t image_type = 2;
    uint8_t pixel_depth = 24;
    uint8_t descriptor = 0x20;  // top row first
    uint16_t width = 0;
    uint16_t height = 0;
    Bytes id;                    // image ID field
    uint8_t colour_map_type = 0;
    uint16_t colour_map_first = 0;
    uint16_t colour_map_length = 0;
    uint8_t colour_map_entry_size = 0;
    Bytes colour_map;            // the map's bytes as stored
    Bytes data;                  // pixel data as stored (raw rows or RLE packets)

    Bytes to_bytes() const;
};

// An uncompressed true-colour image (type 2) of w x h pixels of depth bits; pixels are given
// top row first and stored in the order the descriptor asks for.
Tga raw_image(int w, int h, int depth, const Bytes& pixels_top_first, bool top_first = true);
// The same image run-length encoded (type 10), rows packed independently.
Tga rle_image(int w, int h, int depth, const Bytes& pixels_top_first, bool top_first = true);
// A deterministic pattern of w x h pixels of bytes_per_pixel bytes, varied by seed.
Bytes pattern(int w, int h, int bytes_per_pixel, uint32_t seed = 1);

}  // namespace qfbtest
