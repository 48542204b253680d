// End to end: SIGINT, SIGTERM or SIGHUP while a tool writes (each tool held at its first rename by
// a preloaded library that says when it is there, its temporary files written) ends the process as
// the signal does, with no temporary file left and every earlier output as it was.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qfbtest::Bytes;

constexpr int HELD_WITHIN_MS = 120000;  // a bound far past a run of these small sets, even under a sanitizer

// Starts program in cwd with the library preloaded, waits until it is held at its first rename,
// sends signal and gives the process's wait status; -1 when it ended or stalled before the rename.
int interrupt_at_rename(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                        int signal)
{
    int held[2];
    if (pipe(held) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(held[0]);
        if (chdir(cwd.c_str()) != 0 || freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);  // as a terminal's foreground job
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        setenv("QFB_HOLD_FD", std::to_string(held[1]).c_str(), 1);
        setenv("LD_PRELOAD", HOLD_AT_RENAME_LIBRARY, 1);
        // A sanitizer build's runtime wants to come first; the library calls nothing it watches.
        const char* asan = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", (std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(held[1]);
    pollfd there{held[0], POLLIN, 0};
    char byte = 0;
    const bool reached = pid > 0 && poll(&there, 1, HELD_WITHIN_MS) == 1 && read(held[0], &byte, 1) == 1;
    close(held[0]);
    if (pid <= 0) return -1;
    kill(pid, reached ? signal : SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    return reached ? status : -1;
}

void write(const std::string& path, int w, int h, uint32_t seed)
{
    qfbtest::write_file(path, qfbtest::raw_image(w, h, 32, qfbtest::pattern(w, h, 4, seed)).to_bytes());
}

TEST(Interrupted, NoTemporaryFileOutlivesTheRunAndEarlierOutputsStay)
{
    const Bytes old_output(100, 0x5A);  // an earlier run's file, of no tool's making
    const struct {
        const char* what;
        std::string program;
        std::vector<std::string> args;
        const char* earlier;  // the output, there from before, that the run replaces
    } tools[] = {
        {"makeqfb", MAKEQFB_BINARY, {"4444", "15", "w.tga"}, "w.qfb"},
        {"qfbinfo --extract (a file a level)", QFBINFO_BINARY, {"in.qfb", "--extract", "out", "--force"}, "out/w-0001.tga"},
        {"qfbprep pack", QFBPREP_BINARY, {"pack", "565", "15", "w.qfb", "w.tga"}, "w.qfb"},
        {"qfbprep mipmaps (files written on several threads)", QFBPREP_BINARY, {"mipmaps", "w.tga", "--levels", "3"}, nullptr},
    };
    for (const auto& tool : tools) {
        if (tool.program.empty()) continue;  // a build without the picture tools
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            SCOPED_TRACE(std::string(tool.what) + ", signal " + std::to_string(signal));
            qfbtest::TempDir dir;
            for (int frame = 1; frame <= 3; ++frame) write(dir.file("w-000" + std::to_string(frame) + ".tga"), 64, 32, frame);
            ASSERT_EQ(qfbtest::run_makeqfb({"4444", "15", "w.tga"}, dir.path()).status, 0);
            fs::rename(dir.file("w.qfb"), dir.file("in.qfb"));
            if (tool.earlier != nullptr) {
                fs::create_directories(fs::path(dir.file(tool.earlier)).parent_path());
                qfbtest::write_file(dir.file(tool.earlier), old_output);
            }
            const auto before = qfbtest::snapshot(dir.path());
            const int status = interrupt_at_rename(tool.program, tool.args, dir.path(), signal);
            ASSERT_NE(status, -1) << "never reached its first rename";
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "wait status " << status;
            EXPECT_EQ(qfbtest::snapshot(dir.path()), before);
        }
    }
}

}  // namespace
