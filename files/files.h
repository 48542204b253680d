// Files as the tools touch them. Reading: a file's bytes taken whole in one open, read into memory
// the thread keeps for its next file, or a large one mapped read-only under the SIGBUS guard, the
// descriptor held open, so that a file cut short while it is read is a result, never a crash. Writing:
// AtomicFile, the one way every tool writes, through a temporary file renamed into place. The calls
// of the system behind both are the platform layer's (platform.h): on Windows files are read,
// never mapped, and the guard is not installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

enum class ReadStatus {
    ok,
    cannot_open,            // missing, not permitted, or a named pipe (which may never deliver)
    read_failed,            // a folder, or an error of the system
    out_of_memory,
    changed_while_reading,  // the file was cut short while its bytes were read
    too_large,              // more bytes than the reader takes
};

// Installs the guard's handler of SIGBUS. Called from main at start-up, while there is one thread.
void install_fault_guard();
// Installs the handler of SIGINT, SIGTERM and SIGHUP (on Windows, of the console's Ctrl-C,
// Ctrl-Break and closing) that removes every AtomicFile's temporary file not yet renamed into place,
// then ends the process as the signal would. Called from main at start-up, while there is one thread.
// When stop is given and gives true (it calls only what a signal handler may), the signal asked a
// job that ends itself to stop, and the process goes on.
void install_interrupt_cleanup(bool (*stop)() = nullptr);

// Opens name for reading without ever waiting on it: a named pipe is not opened (-1), nor is
// anything that cannot be opened. The caller closes the descriptor.
int open_for_reading(const char* name);

// Memory that holds a file's bytes while it is read: a block kept by the thread from the files
// before, or a new one, on huge pages when it is large (read_memory.cpp).
class ReadMemory {
public:
    ReadMemory() = default;
    ~ReadMemory();
    ReadMemory(const ReadMemory&) = delete;
    ReadMemory& operator=(const ReadMemory&) = delete;
    // Room for at least size bytes, the first keep bytes kept; false (nothing changed) when out of
    // memory.
    bool reserve(size_t size, size_t keep);
    // Back to the thread's blocks for its next file.
    void release();
    uint8_t* data() const { return data_; }
    size_t capacity() const { return capacity_; }

private:
    uint8_t* allocation_ = nullptr;
    uint8_t* data_ = nullptr;
    size_t capacity_ = 0;
};

// A file's bytes, read or mapped; the guard's SIGBUS handler is process-wide state, installed once by
// each tool's main before any thread exists.
class FileBytes {
public:
    // What is not a regular file (a device) is read up to this many bytes: far more than any frame
    // or QFB file holds, and a bound on a device that never ends.
    static constexpr size_t MAX_UNSIZED = size_t{64} << 20;
    // A regular file of more bytes than this may be mapped (a QFB file, of which a reader may touch
    // only the header and the level table); one of this many or fewer (any image a tool loads) is
    // read whole, since a reader touches all of it: copying it from the page cache into memory the
    // thread already holds costs less than the first touch of each page of a mapping where that
    // touch is dear (a virtual machine that shadows the guest's page tables, several microseconds a
    // page) and about the same elsewhere.
    static constexpr size_t MAP_FROM = size_t{8} << 20;

    FileBytes() = default;
    ~FileBytes() { reset(); }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // Opens name and takes its bytes, mapped when map is true, the guard is installed and the file
    // has more than MAP_FROM bytes; a file of more than limit bytes is refused before any is read.
    ReadStatus open(const char* name, bool map = true, size_t limit = SIZE_MAX);
    void reset();
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool mapped() const { return mapping_ != nullptr; }

    // Runs visit(), which reads these bytes. On a mapping, a file cut short meanwhile ends the visit
    // at a fault past its new end, and a cut inside the last page (which reads as zeros) shows in
    // the file's length after it: both give changed_while_reading. visit must hold nothing that
    // needs destroying, since it is left by a jump; a thread runs one guarded visit at a time.
    template <typename Visit>
    ReadStatus read_guarded(Visit visit) const
    {
        return guarded([](void* v) { (*static_cast<Visit*>(v))(); }, &visit);
    }
    // Copies size bytes from offset (within the bytes) to dest.
    ReadStatus copy(uint64_t offset, size_t size, void* dest) const
    {
        return size == 0 ? ReadStatus::ok : read_guarded([=] { std::memcpy(dest, data_ + offset, size); });
    }

private:
    ReadStatus guarded(void (*visit)(void*), void* context) const;
    int fd_ = -1;
    const void* mapping_ = nullptr;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    ReadMemory read_;  // the bytes when they are not mapped
};

// The outcome of writing a file, and the errno of the call of the system that failed (0 when none
// did: an encoder's failure, ...). Statuses compare by their kind alone.
struct WriteStatus {
    enum Kind {
        ok,
        cannot_create,   // no temporary file could be made beside the name, or the file is read-only
        write_failed,    // a write or the close failed (a full disk, ...)
        rename_failed,   // the finished file could not take the name (a folder of that name, ...)
        source_failed,   // what the bytes are made from could not be read
        encoder_failed,  // the bytes could not be made (the encoder ran out of memory)
    };
    Kind kind = ok;
    int error = 0;

    WriteStatus(Kind k = ok, int errno_value = 0) : kind(k), error(errno_value) {}
};

inline bool operator==(WriteStatus a, WriteStatus b) { return a.kind == b.kind; }
inline bool operator!=(WriteStatus a, WriteStatus b) { return a.kind != b.kind; }

// The system's reason for the failure, e.g. "No space left on device"; empty when there is none.
std::string write_failure_reason(WriteStatus status);

// A short lower-case phrase for the outcome, e.g. "a write failed"; never null.
const char* write_status_text(WriteStatus status);

// The phrase, then the system's reason in brackets when there is one: "a write failed (No space
// left on device)".
std::string write_failure_text(WriteStatus status);

// The bytes go to a temporary file beside the target that takes its place by a rename once complete
// and closed: a failure never leaves a partial file nor destroys the old one, nor does a signal that
// ends the process once main has installed the cleanup (install_interrupt_cleanup). A symbolic
// link at the name is followed (the file it leads to is replaced, as a shell's redirection writes
// it); a device or pipe gets the bytes itself; a folder refuses. A new file gets 0666 less the umask
// (applied by the kernel: nothing reads or changes the umask); a replaced file keeps its mode.
struct TemporarySlot;  // where a temporary file is listed for that handler

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile() { drop(); }  // an uncommitted temporary file is removed
    AtomicFile(AtomicFile&& other) noexcept : s_(std::move(other.s_)) { other.s_ = State{}; }
    AtomicFile& operator=(AtomicFile&& other) noexcept;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Starts the file that will take name's place: follows links, refuses a folder and a file that
    // may not be written, and makes the temporary file.
    WriteStatus create(const std::string& name);
    // Appends size bytes (the kernel may take them in parts). False once any write has failed.
    bool write(const void* data, size_t size);
    // Ends the writing, checked: starts the bytes' way to the disk when they replace a file (the
    // rename would wait for that) and closes the file. Another thread may commit it then.
    WriteStatus close();
    // Closes the file when close was not called, and renames it into place; after a failure the
    // temporary file goes.
    WriteStatus commit();
    const std::string& name() const { return s_.name; }  // as given to create

private:
    void drop();
    WriteStatus failure(WriteStatus::Kind kind, int error);  // kept for commit, and returned
    struct State {
        int fd = -1;
        std::string name, temp, target;  // temp until renamed or removed; target: name or its links' end
        TemporarySlot* listed = nullptr;  // temp's listing, while it is there
        bool created = false;   // create succeeded, and the file is neither committed nor dropped
        bool in_place = false;  // a device or pipe, written itself
        bool replaces = false;  // an existing file is replaced
        bool failed = false;
        int error = 0;  // the errno of the first call that failed
    } s_;
};

// create, write and commit of one whole file.
WriteStatus write_whole_file(const std::string& name, const void* data, size_t size);

// True when both names lead to one file that exists (the same device and inode): a writer checks
// that an output it would replace is none of its inputs.
bool same_file(const std::string& a, const std::string& b);

// The size of a huge page (x86-64 and arm64 with 4 KB pages), and the alignment that starts a static
// buffer on one where the object format allows it (ELF does; PE/COFF stops at 8 KB, and Windows
// gives no huge pages to such memory anyway).
constexpr size_t HUGE_PAGE_SIZE = size_t{2} << 20;
#if defined(_WIN32)
constexpr size_t HUGE_PAGE_ALIGNMENT = 64;
#else
constexpr size_t HUGE_PAGE_ALIGNMENT = HUGE_PAGE_SIZE;
#endif

// Asks the kernel to back the whole 2 MB pages within bytes at start with huge pages where it can:
// a writer that fills a large fresh buffer (the image of a QFB file) then faults its memory in
// 2 MB at a time instead of 4 KB, and on a large set the 4 KB faults cost more than the work
// itself. Pages never touched cost nothing either way. Only advice: the bytes are the same
// whether or not it is taken.
void advise_huge_pages(uint8_t* start, size_t bytes);

// Commits files in order; stops at the first that fails (those before it are in place) and sets
// *failed to its index.
WriteStatus commit_all(std::vector<AtomicFile>& files, size_t* failed);
