// End to end: qfbprep pack --watch on Targa frames made in code, edited while it runs. A burst of
// saves makes one pack, an added or removed frame is packed at once, a damaged frame keeps the
// last good file, and SIGINT ends the watch with status 0 and no temporary file.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

// The line with the time of a pack ("in 34 ms") as "in N ms".
std::string without_time(std::string line)
{
    const size_t at = line.rfind(" in ");
    if (at == std::string::npos || line.compare(line.size() - 4, 4, " ms.") != 0) return line;
    const size_t digits = at + 4, end = line.size() - 4;
    if (end <= digits || line.find_first_not_of("0123456789", digits) != end) return line;
    return line.replace(digits, end - digits, "N");
}

using qfbtest::Bytes;
using qfbtest::TempDir;

constexpr int LINE_WITHIN_MS = 20000;  // far past a pack of a few small frames, even under a sanitizer

// qfbprep running in cwd, its output read line by line through a pipe.
class Watching {
public:
    Watching(const std::vector<std::string>& args, const std::string& cwd)
    {
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(out[0]);
            dup2(out[1], STDOUT_FILENO);
            if (chdir(cwd.c_str()) != 0) _exit(127);
            std::signal(SIGINT, SIG_DFL);  // as a terminal's foreground job
            std::vector<char*> argv{const_cast<char*>(QFBPREP_BINARY)};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(QFBPREP_BINARY, argv.data());
            _exit(127);
        }
        close(out[1]);
        fd_ = out[0];
    }
    ~Watching()
    {
        if (pid_ > 0) stop(SIGKILL);
        if (fd_ >= 0) close(fd_);
    }

    // The next line, without its ending; empty when none came in time.
    std::string line()
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(LINE_WITHIN_MS);
        for (;;) {
            const size_t end = read_.find('\n');
            if (end != std::string::npos) {
                const std::string got = read_.substr(0, end);
                read_.erase(0, end + 1);
                return without_time(got);
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            pollfd ready{fd_, POLLIN, 0};
            char buffer[4096];
            ssize_t got = 0;
            if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) != 1 ||
                (got = read(fd_, buffer, sizeof buffer)) <= 0)
                return "";
            read_.append(buffer, static_cast<size_t>(got));
        }
    }

    // Sends the signal and gives the wait status.
    int stop(int signal)
    {
        kill(pid_, signal);
        int status = -1;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

    // What came after the last line read, once the process has ended.
    std::string rest()
    {
        char buffer[4096];
        ssize_t got;
        while ((got = read(fd_, buffer, sizeof buffer)) > 0) read_.append(buffer, static_cast<size_t>(got));
        return read_;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string read_;
};

Bytes frame(uint32_t seed) { return qfbtest::raw_image(6, 4, 32, qfbtest::pattern(6, 4, 4, seed)).to_bytes(); }

TEST(QfbprepWatch, PacksOncePerBurstFollowsAddedAndRemovedFramesAndKeepsTheLastGoodFile)
{
    TempDir dir;
    for (int i = 1; i <= 3; ++i) qfbtest::write_file(dir.file("f-" + std::to_string(i) + ".tga"), frame(i));
    qfbtest::write_file(dir.file("notes.txt"), {'a'});
    Watching watch({"pack", "4444", "12", "out.qfb", "f-*.tga", "--watch"}, dir.path());
    ASSERT_EQ(watch.line(), "out.qfb: 3 frames of 6 x 4, 32bpp, 0 mipmap levels each, packed as 4444: 176 bytes.");
    ASSERT_EQ(watch.line(), "Watching the frames for changes; Ctrl-C ends the watch.");
    Bytes last_good;
    const struct {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> said;
    } steps[] = {
        {"two frames saved in a burst",
         [&] {
             qfbtest::write_file(dir.file("f-1.tga"), frame(11));
             qfbtest::write_file(dir.file("f-2.tga"), frame(12));
         },
         {"Packed out.qfb again: 3 frames in N ms."}},
        {"a file that is not a frame, then a frame added",
         [&] {
             qfbtest::write_file(dir.file("notes.txt"), {'b'});
             qfbtest::write_file(dir.file("f-10.tga"), frame(13));
         },
         {"Packed out.qfb again: 4 frames in N ms."}},
        {"a frame deleted", [&] { std::remove(dir.file("f-2.tga").c_str()); }, {"Packed out.qfb again: 3 frames in N ms."}},
        {"a damaged frame",
         [&] {
             last_good = qfbtest::read_file(dir.file("out.qfb"));
             Bytes cut = frame(14);
             cut.resize(40);
             qfbtest::write_file(dir.file("f-3.tga"), cut);
         },
         {"Couldn't read Targa file f-3.tga: pixel data is cut short.", "Kept the last good out.qfb; waiting for changes."}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        for (const std::string& said : step.said) EXPECT_EQ(watch.line(), said);
    }
    EXPECT_EQ(qfbtest::read_file(dir.file("out.qfb")), last_good);
    const int status = watch.stop(SIGINT);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(watch.rest(), "") << "one pack a change, and nothing said at the end";
    std::vector<std::string> names;
    for (const auto& [name, bytes] : qfbtest::snapshot(dir.path())) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"f-1.tga", "f-10.tga", "f-3.tga", "notes.txt", "out.qfb"}));
}

}  // namespace
