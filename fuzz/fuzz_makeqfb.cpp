// libFuzzer target for whole runs of the tool: each input becomes a small frame set in a private
// folder, makeqfb_main converts it in process, and the target stops (abort) when a run breaks
// its promises: the status is 0 or 1; after 0 the QFB file exists, its header reads back and
// its size is exactly the header plus every level of every frame; after 1 there is no output;
// and no temporary file is ever left behind.
//
// Input layout (make_makeqfb_corpus.cpp writes the same):
//   byte 0     bits 0-1: the set's shape (see SHAPES), bits 2-3: the format argument,
//              bits 4-7: fps - 1
//   then, for each member of the shape in order: a 16-bit little-endian length and that many
//   bytes of file (cut short at the end of the input). A member whose length prefix is missing
//   is not written at all.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "makeqfb_main.h"
#include "platform.h"
#include <qfb/qfb.h>

namespace {

constexpr const char* BASE_NAME = "t.tga";
constexpr const char* OUTPUT_NAME = "t.qfb";

struct Shape {
    int count;
    const char* members[4];
};
// Every shape shares the base name t.tga; discovery decides what the written files make up.
constexpr Shape SHAPES[4] = {
    {1, {"t.tga"}},                                                // one image
    {3, {"t.tga", "t-a.tga", "t-b.tga"}},                          // one image, two mipmaps
    {2, {"t-0001.tga", "t-0002.tga"}},                             // two frames from 0001
    {4, {"t-0000.tga", "t-a0000.tga", "t-0001.tga", "t-a0001.tga"}},  // two frames from 0000, a mipmap each
};
// 4444 twice: on a 24-bit set it exercises the switch to 1555.
constexpr const char* FORMATS[4] = {"1555", "4444", "565", "4444"};

void check(bool promise)
{
    if (!promise) std::abort();
}

// The private folder, made once per process; every run starts it empty again.
class FuzzFolder {
public:
    FuzzFolder()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/fuzz-makeqfb-XXXXXX";
        check(mkdtemp(&pattern[0]) != nullptr);
        path_ = pattern;
    }
    ~FuzzFolder()
    {
        clear();
        rmdir(path_.c_str());
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

    std::string file(const char* name) const { return path_ + "/" + name; }

    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        check(platform::list_folder(path_.c_str(), &names));
        return names;
    }

    void clear() const
    {
        for (const std::string& name : entries()) unlink(file(name.c_str()).c_str());
    }

    void store(const char* name, const uint8_t* data, size_t size) const
    {
        const int fd = open(file(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        check(fd >= 0);
        for (size_t done = 0; done < size;) {
            const ssize_t n = write(fd, data + done, size - done);
            check(n > 0);
            done += static_cast<size_t>(n);
        }
        check(close(fd) == 0);
    }

private:
    std::string path_;
};

FuzzFolder& folder()
{
    static FuzzFolder instance;
    return instance;
}

// Writes the members the input holds; returns their names.
std::vector<std::string> write_members(const Shape& shape, const uint8_t* data, size_t size)
{
    std::vector<std::string> written;
    size_t at = 0;
    for (int i = 0; i < shape.count; ++i) {
        if (size - at < 2) break;
        const size_t declared = data[at] | size_t{data[at + 1]} << 8;
        at += 2;
        const size_t length = declared <= size - at ? declared : size - at;
        folder().store(shape.members[i], data + at, length);
        written.push_back(shape.members[i]);
        at += length;
    }
    return written;
}

// Size of the file, or -1 when it does not exist; its first bytes go into head.
long read_output(const std::string& path, uint8_t head[QFB_HEADER_SIZE], size_t* head_size)
{
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return -1;
    struct stat info {};
    check(fstat(fd, &info) == 0);
    const ssize_t got = pread(fd, head, QFB_HEADER_SIZE, 0);
    check(got >= 0);
    *head_size = static_cast<size_t>(got);
    close(fd);
    return static_cast<long>(info.st_size);
}

void check_run(int status, const std::vector<std::string>& inputs)
{
    check(status == 0 || status == 1);
    uint8_t head[QFB_HEADER_SIZE];
    size_t head_size = 0;
    const long size = read_output(folder().file(OUTPUT_NAME), head, &head_size);
    if (status == 1) {
        check(size < 0);
    } else {
        check(size >= 0);
        qfb_file written;
        check(qfb_check(head, head_size, static_cast<uint64_t>(size), &written) == QFB_OK);
    }
    // Nothing but the inputs and the output: no temporary file survives a run.
    for (const std::string& name : folder().entries()) {
        bool known = name == OUTPUT_NAME;
        for (const std::string& input : inputs) known = known || name == input;
        check(known);
    }
}

}  // namespace

// Only libFuzzer calls this: the tool's transcript would drown its progress lines. A replay
// under CTest keeps the transcripts, which helps when a saved input fails.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0) {
        dup2(null_fd, STDOUT_FILENO);
        close(null_fd);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const Shape& shape = SHAPES[data[0] & 3];
    std::string format = FORMATS[(data[0] >> 2) & 3];
    std::string fps = std::to_string(1 + (data[0] >> 4));
    std::string program = "makeqfb";
    std::string base = folder().file(BASE_NAME);

    folder().clear();
    const std::vector<std::string> inputs = write_members(shape, data + 1, size - 1);
    char* argv[] = {&program[0], &format[0], &fps[0], &base[0], nullptr};
    const int status = makeqfb_main(4, argv);
    std::fflush(stdout);
    check_run(status, inputs);
    return 0;
}
