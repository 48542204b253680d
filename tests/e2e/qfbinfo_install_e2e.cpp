// The installed layout and the man pages: `cmake --install` of this build into a fresh prefix puts
// both programs and both pages where they belong, the installed programs run, and each page
// renders with man and groff without a warning (skipped where those commands are missing).
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using qfbtest::RunResult;

namespace {

RunResult shell(const std::string& command) { return qfbtest::run_program("/bin/sh", {"-c", command}); }

bool have(const std::string& command) { return shell("command -v " + command + " >/dev/null").status == 0; }

std::string quoted(const std::string& path) { return "'" + path + "'"; }

TEST(Install, PutsProgramsAndPagesUnderThePrefix)
{
    qfbtest::TempDir prefix;
    const RunResult install = qfbtest::run_program(QFB_CMAKE_COMMAND, {"--install", QFB_BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_EQ(install.status, 0) << install.output;

    struct Program {
        const char* path;
        std::vector<std::string> args;
        int status;
        const char* output_start;
    } const programs[] = {
        {"bin/makeqfb", {}, 1, "==========================================================================\nmakeqfb - "},
        {"bin/qfbinfo", {"--help"}, 0, "==========================================================================\nqfbinfo - "},
        {"bin/qfbprep", {"--help"}, 0, "==========================================================================\nqfbprep - "},
    };
    for (const Program& p : programs) {
        const std::string path = prefix.file(p.path);
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0) << p.path;
        EXPECT_NE(info.st_mode & S_IXUSR, 0u) << p.path;
        const RunResult run = qfbtest::run_program(path, p.args);
        EXPECT_EQ(run.status, p.status) << p.path;
        EXPECT_EQ(run.output.rfind(p.output_start, 0), 0u) << p.path;
    }
    for (const std::string page : {"makeqfb.1", "qfbinfo.1", "qfbprep.1"}) {
        const std::string source = std::string(QFB_SOURCE_DIR) + "/man/" + page;
        const std::string plain = prefix.file("share/man/man1/" + page);
        if (qfbtest::exists(plain + ".gz")) {
            const RunResult unpacked = shell("gzip -dc " + quoted(plain + ".gz"));
            EXPECT_EQ(unpacked.status, 0) << page;
            const qfbtest::Bytes bytes = qfbtest::read_file(source);
            EXPECT_EQ(unpacked.output, std::string(bytes.begin(), bytes.end())) << page;
        } else {
            EXPECT_TRUE(qfbtest::exists(plain)) << page << " is installed neither gzipped nor plain";
        }
    }
}

TEST(ManPages, RenderWithoutWarnings)
{
    const bool with_man = have("man"), with_groff = have("groff");
    if (!with_man && !with_groff) GTEST_SKIP() << "neither man nor groff is installed";
    struct Page {
        const char* file;
        std::vector<std::string> must_show;  // rendered text that must be there
    } const pages[] = {
        {"makeqfb.1", {"makeqfb - pack Targa", "SYNOPSIS", "NAMING CONVENTION", "walk-a0001.tga", "DIAGNOSTICS",
                       "Unknown format parameter: X.  Must be 1555, 4444, or 565.", "EXIT STATUS", "qfbinfo(1)"}},
        {"qfbinfo.1", {"qfbinfo - show, check and unpack", "SYNOPSIS", "--extract folder", "--sheet file.png",
                       "--animation file.webp", "--compare source...", "--force", "EXTRACTION", "THE SHEET",
                       "THE COMPARISON", "DIAGNOSTICS",
                       "Couldn't read QFB file", "EXIT STATUS", "makeqfb(1)"}},
        {"qfbprep.1", {"qfbprep pack 1555|4444|565 fps", "SYNOPSIS", "JOBS", "--mipmap-of N", "--alpha-threshold A",
                       "DIAGNOSTICS", "EXIT STATUS", "makeqfb(1)"}},
    };
    for (const Page& p : pages) {
        SCOPED_TRACE(p.file);
        const std::string path = quoted(std::string(QFB_SOURCE_DIR) + "/man/" + p.file);
        if (with_groff) {
            const RunResult check = shell("groff -ww -man -z " + path + " 2>&1");
            EXPECT_EQ(check.status, 0);
            EXPECT_EQ(check.output, "") << "groff warnings";
        }
        if (!with_man) continue;
        const std::string man = "LC_ALL=C MANWIDTH=80 man --warnings -l " + path;
        const RunResult warnings = shell(man + " 2>&1 >/dev/null");
        EXPECT_EQ(warnings.output, "") << "man warnings";
        const RunResult page = shell(man + " 2>/dev/null");
        EXPECT_EQ(page.status, 0);
        for (const std::string& text : p.must_show) EXPECT_NE(page.output.find(text), std::string::npos) << text;
        size_t start = 0;
        for (size_t end; (end = page.output.find('\n', start)) != std::string::npos; start = end + 1)
            EXPECT_LE(end - start, 80u) << page.output.substr(start, end - start);
    }
}

}  // namespace
