// AtomicFile: the one way every tool writes a file. The bytes go to a temporary file beside the
// target, which takes the target's place by a rename only once it is complete and closed, so that
// a failure never leaves a partial file and never destroys the file that was there. One rule for
// what stands at the name: a symbolic link is followed and the file it leads to is replaced (as a
// shell's redirection would write it); a device or named pipe gets the bytes itself; a folder
// refuses. A new file gets the mode 0666 less the umask (the kernel applies it, so nothing reads
// or changes the umask); a replaced file keeps its mode.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum class WriteStatus {
    ok,
    cannot_create,   // no temporary file could be made beside the name, or the file is read-only
    write_failed,    // a write or the close failed (a full disk, ...)
    rename_failed,   // the finished file could not take the name (a folder of that name, ...)
    source_failed,   // what the bytes are made from could not be read
    encoder_failed,  // the bytes could not be made (the encoder ran out of memory)
};

// A short lower-case phrase for the outcome, e.g. "a write failed"; never null.
const char* write_status_text(WriteStatus status);

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
    struct State {
        int fd = -1;
        std::string name, temp, target;  // temp until renamed or removed; target: name or its links' end
        bool created = false;   // create succeeded, and the file is neither committed nor dropped
        bool in_place = false;  // a device or pipe, written itself
        bool replaces = false;  // an existing file is replaced
        bool failed = false;
    } s_;
};

// create, write and commit of one whole file.
WriteStatus write_whole_file(const std::string& name, const void* data, size_t size);

// Commits files in order; stops at the first that fails (those before it are in place) and sets
// *failed to its index.
WriteStatus commit_all(std::vector<AtomicFile>& files, size_t* failed);
