// Implementation of the shared test helpers (see test_support.h).
#include "tests/support/test_support.h"

#include "tests/support/rle_encode.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace qfbtest {

TempDir::TempDir()
{
    std::string pattern = std::filesystem::temp_directory_path().string() + "/makeqfb-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = name.data();
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void write_file(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

static void snapshot_into(const std::filesystem::path& folder, const std::filesystem::path& root,
                          std::map<std::string, std::string>* entries)
{
    namespace fs = std::filesystem;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        std::string& seen = (*entries)[entry.path().lexically_relative(root).string()];
        if (entry.is_symlink()) {
            seen = "link to " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_directory()) {
            seen = "folder";
            snapshot_into(entry.path(), root, entries);
        } else if (entry.is_fifo()) {
            seen = "named pipe";  // never opened: that could block
        } else {
            const Bytes bytes = read_file(entry.path().string());
            seen.assign(bytes.begin(), bytes.end());
        }
    }
}

std::map<std::string, std::string> snapshot(const std::string& folder)
{
    std::map<std::string, std::string> entries;
    snapshot_into(folder, folder, &entries);
    return entries;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) : old_handler_(signal(SIGXFSZ, SIG_IGN))
{
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, old_handler_);
}

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd)
{
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        if (chdir(cwd.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipe_fds[1]);
    RunResult result;
    char chunk[4096];
    ssize_t got;
    while ((got = read(pipe_fds[0], chunk, sizeof chunk)) > 0) {
        result.output.append(chunk, static_cast<size_t>(got));
        if (result.output.size() > MAX_RUN_OUTPUT) {
            kill(pid, SIGKILL);
            break;
        }
    }
    close(pipe_fds[0]);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    return result;
}

// The words of a command line, split at spaces (no quoting).
static std::vector<std::string> split_words(const char* text)
{
    std::vector<std::string> words;
    std::string word;
    for (const char* c = text; c != nullptr && *c != '\0'; ++c) {
        if (*c != ' ') {
            word += *c;
            continue;
        }
        if (!word.empty()) words.push_back(word);
        word.clear();
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

// A program name without a "/" is looked up in PATH, as a shell would.
static std::string find_program(const std::string& name)
{
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    const std::string folders = path == nullptr ? "/usr/bin:/bin" : path;
    for (size_t start = 0; start <= folders.size();) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = (end == start ? std::string(".") : folders.substr(start, end - start)) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return name;
}

std::vector<AnimationSample> read_animation_manifest(const std::string& path)
{
    std::vector<AnimationSample> samples;
    std::ifstream manifest(path);
    std::string line;
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        AnimationSample sample;
        fields >> sample.name >> sample.width >> sample.height >> sample.frames >> sample.durations;
        samples.push_back(sample);
    }
    return samples;
}

RunResult run_qfbprep(const std::vector<std::string>& args, const std::string& cwd)
{
    return run_program(QFBPREP_BINARY, args, cwd);
}

RunResult run_makeqfb(const std::vector<std::string>& args, const std::string& cwd)
{
    std::string program = MAKEQFB_BINARY;
    if (!program.empty() && program[0] != '/') program = std::filesystem::absolute(program).string();
    const std::vector<std::string> wrapper = split_words(std::getenv("MAKEQFB_WRAPPER"));
    if (wrapper.empty()) return run_program(program, args, cwd);
    std::vector<std::string> wrapped(wrapper.begin() + 1, wrapper.end());
    wrapped.push_back(program);
    wrapped.insert(wrapped.end(), args.begin(), args.end());
    return run_program(find_program(wrapper[0]), wrapped, cwd);
}

RunResult run_qfbinfo(const std::vector<std::string>& args, const std::string& cwd)
{
    return run_program(std::filesystem::absolute(QFBINFO_BINARY).string(), args, cwd);
}

static void put_u16(Bytes& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

Bytes Tga::to_bytes() const
{
    Bytes out;
    out.push_back(static_cast<uint8_t>(id.size()));
    out.push_back(colour_map_type);
    out.push_back(image_type);
    put_u16(out, colour_map_first);
    put_u16(out, colour_map_length);
    out.push_back(colour_map_entry_size);
    put_u16(out, 0);  // x origin
    put_u16(out, 0);  // y origin
    put_u16(out, width);
    put_u16(out, height);
    out.push_back(pixel_depth);
    out.push_back(descriptor);
    out.insert(out.end(), id.begin(), id.end());
    out.insert(out.end(), colour_map.begin(), colour_map.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// Rows of the image in the order the file stores them.
static std::vector<const uint8_t*> stored_rows(int w, int h, int bpp, const Bytes& pixels, bool top_first)
{
    std::vector<const uint8_t*> rows;
    const size_t row_bytes = static_cast<size_t>(w) * static_cast<size_t>(bpp);
    if (pixels.size() < row_bytes * static_cast<size_t>(h)) throw std::runtime_error("pattern too small");
    for (int r = 0; r < h; ++r) {
        const int source_row = top_first ? r : h - 1 - r;
        rows.push_back(pixels.data() + row_bytes * static_cast<size_t>(source_row));
    }
    return rows;
}

static Tga image_header(int w, int h, int depth, bool top_first, uint8_t type)
{
    Tga tga;
    tga.image_type = type;
    tga.pixel_depth = static_cast<uint8_t>(depth);
    tga.descriptor = static_cast<uint8_t>((top_first ? 0x20 : 0x00) | (depth == 32 ? 8 : 0));
    tga.width = static_cast<uint16_t>(w);
    tga.height = static_cast<uint16_t>(h);
    return tga;
}

Tga raw_image(int w, int h, int depth, const Bytes& pixels, bool top_first)
{
    Tga tga = image_header(w, h, depth, top_first, 2);
    const int bpp = depth / 8;
    for (const uint8_t* row : stored_rows(w, h, bpp, pixels, top_first))
        tga.data.insert(tga.data.end(), row, row + static_cast<size_t>(w) * static_cast<size_t>(bpp));
    return tga;
}

Tga rle_image(int w, int h, int depth, const Bytes& pixels, bool top_first)
{
    Tga tga = image_header(w, h, depth, top_first, 10);
    const int bpp = depth / 8;
    for (const uint8_t* row : stored_rows(w, h, bpp, pixels, top_first)) {
        append_rle_row(tga.data, row, static_cast<size_t>(w), static_cast<size_t>(bpp));
    }
    return tga;
}

Bytes pattern(int w, int h, int bpp, uint32_t seed)
{
    Bytes out(static_cast<size_t>(w) * static_cast<size_t>(h) * static_cast<size_t>(bpp));
    uint32_t state = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < out.size(); ++i) {
        // Runs of repeated pixels now and then, so RLE files get both packet kinds.
        if (i >= static_cast<size_t>(bpp) && ((i / static_cast<size_t>(bpp)) % 7) < 3) {
            out[i] = out[i - static_cast<size_t>(bpp)];
            continue;
        }
        state = state * 1664525u + 1013904223u;
        out[i] = static_cast<uint8_t>(state >> 24);
    }
    return out;
}

}  // namespace qfbtest
