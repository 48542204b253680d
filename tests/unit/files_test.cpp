// Files as the tools touch them: a file read whole (mapped or read, the same bytes), a file cut
// short while it is mapped (a result, never the end of the process), and the one atomic writer:
// success puts exactly the bytes on disk under the mode a new file gets, every failure leaves the
// folder as it was.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qfbtest::Bytes;
using qfbtest::snapshot;
using Prepare = std::function<std::string(const std::string& dir)>;  // prepares dir, returns the name

TEST(FileBytes, TakesAWholeFileMappedOrReadAndRefusesWhatIsNotOne)
{
    qfbtest::TempDir dir;
    const Bytes pattern = qfbtest::pattern(1000, 9, 4, 3);  // rows across pages
    qfbtest::write_file(dir.file("f"), pattern);
    const Bytes large = qfbtest::pattern(static_cast<int>(FileBytes::MAP_FROM / 4 + 1000), 1, 4, 5);  // mapped
    qfbtest::write_file(dir.file("large"), large);
    qfbtest::write_file(dir.file("empty"), {});
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0644), 0);
    const struct {
        std::string name;
        size_t limit;
        ReadStatus status;
        Bytes bytes;
    } cases[] = {
        {dir.file("f"), SIZE_MAX, ReadStatus::ok, pattern},
        {dir.file("large"), SIZE_MAX, ReadStatus::ok, large},
        {dir.file("empty"), SIZE_MAX, ReadStatus::ok, {}},
        {"/dev/null", SIZE_MAX, ReadStatus::ok, {}},
        {dir.file("missing"), SIZE_MAX, ReadStatus::cannot_open, {}},
        {dir.file("pipe"), SIZE_MAX, ReadStatus::cannot_open, {}},  // never waits for a writer
        {dir.path(), SIZE_MAX, ReadStatus::read_failed, {}},
        {dir.file("f"), pattern.size() - 1, ReadStatus::too_large, {}},
    };
    for (bool guarded : {false, true}) {
        if (guarded) install_fault_guard();  // from here on large regular files are mapped
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name + (guarded ? ", mapped" : ", read"));
            FileBytes file;
            ASSERT_EQ(file.open(c.name.c_str(), true, c.limit), c.status);
            if (c.status != ReadStatus::ok) continue;
            EXPECT_EQ(file.mapped(), guarded && c.bytes.size() > FileBytes::MAP_FROM);
            EXPECT_EQ(Bytes(file.data(), file.data() + file.size()), c.bytes);
        }
    }
}

// A regular file that ends before the length it had when it was opened was cut short while it was
// read: refused, never taken as the whole file. A sysfs attribute is such a file every time (it
// claims a page and holds a line), mapped or not.
TEST(FileBytes, ARegularFileShorterThanItsLengthIsRefusedAsChanged)
{
    const char* name = "/sys/kernel/mm/transparent_hugepage/enabled";
    struct stat info {};
    if (stat(name, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) GTEST_SKIP() << "no " << name;
    for (bool map : {false, true}) {
        FileBytes file;
        EXPECT_EQ(file.open(name, map), ReadStatus::changed_while_reading) << (map ? "mapped" : "read");
    }
}

// The handler from before the guard: a SIGBUS that reaches it got past the guard.
void test_handler(int)
{
    const char message[] = "SIGBUS got past the guard\n";
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    _exit(99);
}

TEST(FileBytes, AFileCutShortUnderItsMappingIsAResultNotACrash)
{
    constexpr size_t SIZE = FileBytes::MAP_FROM + 16 * 4096 + 100;  // mapped
    const struct {
        const char* name;
        off_t cut;  // the file's new length
    } cases[] = {
        {"emptied", 0},
        {"half", SIZE / 2},
        // Still inside the last page: no SIGBUS, the length after the walk tells.
        {"last byte", SIZE - 1},
    };
    struct sigaction mine {}, before {};
    mine.sa_handler = test_handler;
    sigemptyset(&mine.sa_mask);
    ASSERT_EQ(sigaction(SIGBUS, &mine, &before), 0);
    install_fault_guard();
    qfbtest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = dir.file("in");
        qfbtest::write_file(name, qfbtest::pattern(static_cast<int>(SIZE), 1, 1, 7));
        FileBytes file;
        ASSERT_EQ(file.open(name.c_str()), ReadStatus::ok);
        ASSERT_TRUE(file.mapped());
        ASSERT_EQ(truncate(name.c_str(), c.cut), 0);
        Bytes copy(SIZE);
        EXPECT_EQ(file.copy(0, SIZE, copy.data()), ReadStatus::changed_while_reading);
    }
    // A SIGBUS outside any guarded read goes to the handler that was there before the guard.
    EXPECT_EXIT(raise(SIGBUS), testing::ExitedWithCode(99), "got past the guard");
    sigaction(SIGBUS, &before, nullptr);
}

const Bytes IMAGE = qfbtest::pattern(64, 128, 2, 7);

std::string old_file(const std::string& d) { qfbtest::write_file(d + "/out.qfb", Bytes(100, 'o')); return d + "/out.qfb"; }
std::string link(const std::string& to, const std::string& d) { fs::create_symlink(to, d + "/out.qfb"); return d + "/out.qfb"; }

// Failures of the writer itself (those of a run, such as a full disk or a folder at the name, are
// makeqfb's end-to-end tests): each leaves the folder as it was and keeps the system's reason.
TEST(AtomicFile, FailuresLeaveTheFolderAsItWas)
{
    const struct {
        const char* what;
        Prepare setup;
        bool needs_non_root;  // permission bits do not stop root
        const char* reason;
    } cases[] = {
        {"folder missing", [](const std::string& d) { return d + "/missing/out.qfb"; }, false, "No such file or directory"},
        {"folder removed", [](const std::string& d) { fs::create_directory(d + "/art"); fs::remove(d + "/art"); return d + "/art/t.qfb"; }, false, "No such file or directory"},
        {"a file where the folder should be", [](const std::string& d) { qfbtest::write_file(d + "/art", {7}); return d + "/art/t.qfb"; }, false, "Not a directory"},
        {"link loop", [](const std::string& d) { fs::create_symlink("out.qfb", d + "/b.qfb"); return link("b.qfb", d); }, false, "Too many levels of symbolic links"},
        {"empty name", [](const std::string&) { return std::string(); }, false, "No such file or directory"},
        {"read-only file", [](const std::string& d) { const std::string name = old_file(d); chmod(name.c_str(), 0444); return name; }, true, "Permission denied"},
    };
    for (const auto& c : cases) {
        if (c.needs_non_root && geteuid() == 0) continue;
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        qfbtest::write_file(dir.file("neighbour.qfb"), Bytes(10, 'n'));
        const std::string name = c.setup(dir.path());
        const auto before = snapshot(dir.path());
        const WriteStatus status = write_whole_file(name, IMAGE.data(), IMAGE.size());
        EXPECT_EQ(status, WriteStatus::cannot_create);
        EXPECT_EQ(write_failure_text(status), std::string("the file could not be created (") + c.reason + ")");
        EXPECT_EQ(snapshot(dir.path()), before);
    }
}

TEST(AtomicFile, SuccessPutsExactlyTheBytesOnDiskWithTheUmasksMode)
{
    const mode_t old_mask = umask(027);
    const std::string long_name = std::string(250, 'n') + ".qfb";  // no room for a suffix
    const struct {
        const char* what;
        Prepare setup;
        std::string lands_in;  // the file that must hold the bytes, relative to the folder
        mode_t mode;
        std::vector<std::string> entries;  // everything in the folder afterwards
    } cases[] = {
        {"new file", [](const std::string& d) { return d + "/out.qfb"; }, "out.qfb", 0640, {"out.qfb"}},
        {"longer file is replaced, not appended to", [](const std::string& d) { qfbtest::write_file(d + "/out.qfb", Bytes(40000, 'o')); return d + "/out.qfb"; }, "out.qfb", 0640, {"out.qfb"}},
        {"existing file keeps its mode", [](const std::string& d) { old_file(d); chmod((d + "/out.qfb").c_str(), 0604); return d + "/out.qfb"; }, "out.qfb", 0604, {"out.qfb"}},
        {"link to a file replaces the target", [](const std::string& d) { qfbtest::write_file(d + "/real.qfb", Bytes(5, 'r')); return link("real.qfb", d); }, "real.qfb", 0640, {"out.qfb", "real.qfb"}},
        {"relative link from a subfolder", [](const std::string& d) { fs::create_directory(d + "/sub"); qfbtest::write_file(d + "/real.qfb", Bytes(5, 'r')); fs::create_symlink("../real.qfb", d + "/sub/out.qfb"); return d + "/sub/out.qfb"; }, "real.qfb", 0640, {"real.qfb", "sub", "sub/out.qfb"}},
        {"dangling link creates its target", [](const std::string& d) { return link("made.qfb", d); }, "made.qfb", 0640, {"made.qfb", "out.qfb"}},
        {"long name", [&](const std::string& d) { return d + "/" + long_name; }, long_name, 0640, {long_name}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qfbtest::TempDir dir;
        ASSERT_EQ(write_whole_file(c.setup(dir.path()), IMAGE.data(), IMAGE.size()), WriteStatus::ok);
        const std::string landed = dir.file(c.lands_in);
        EXPECT_EQ(qfbtest::read_file(landed), IMAGE);
        struct stat info {};
        ASSERT_EQ(stat(landed.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, c.mode);
        std::vector<std::string> entries;
        for (const auto& [entry, contents] : snapshot(dir.path())) entries.push_back(entry);
        EXPECT_EQ(entries, c.entries) << "a temporary file was left behind, or a link replaced";
    }
    umask(old_mask);
    EXPECT_EQ(write_whole_file("/dev/null", IMAGE.data(), IMAGE.size()), WriteStatus::ok);  // a device gets the bytes
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// A batch takes its names in order and stops at the first that cannot: the files before it are
// in place, the rest leave nothing behind.
TEST(AtomicFile, ABatchCommitsInOrderUpToTheFirstFailure)
{
    qfbtest::TempDir dir;
    std::vector<AtomicFile> batch(3);
    for (size_t i = 0; i < batch.size(); ++i) {
        ASSERT_EQ(batch[i].create(dir.file("f" + std::to_string(i))), WriteStatus::ok);
        batch[i].write("x", 1);
        ASSERT_EQ(batch[i].close(), WriteStatus::ok);
    }
    fs::create_directory(dir.file("f1"));  // in the way since the file was made
    size_t failed = 99;
    const WriteStatus status = commit_all(batch, &failed);
    EXPECT_EQ(write_failure_text(status), "the finished file could not take its name (Is a directory)");
    EXPECT_EQ(failed, 1u);
    batch.clear();
    std::vector<std::string> entries;
    for (const auto& [entry, contents] : snapshot(dir.path())) entries.push_back(entry);
    EXPECT_EQ(entries, (std::vector<std::string>{"f0", "f1"}));
}

}  // namespace
