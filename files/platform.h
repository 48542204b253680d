// The calls of the system that differ between POSIX systems and Windows, behind one interface:
// CMake builds platform_posix.cpp or platform_windows.cpp. Everything above this layer (the
// reader, the atomic writer, the naming of sets) is the same code everywhere. Descriptors are the
// C library's int descriptors on both; names are the tools' arguments as given (on Windows in
// the system's code page, which the start-up check guarantees can hold them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// What a name or a descriptor leads to.
struct FileInfo {
    bool folder = false;
    bool regular = false;
    bool link = false;   // lstat only: the name is a symbolic link
    uint64_t size = 0;   // of a regular file
    unsigned mode = 0;   // permission bits (POSIX); 0 on Windows
};

// stat: the file a name leads to. False with errno set when there is none.
bool info_of_name(const char* name, FileInfo* info);
// lstat: the name itself (a link is not followed; Windows has no links this layer follows).
bool info_of_link(const char* name, FileInfo* info);
bool info_of_descriptor(int fd, FileInfo* info);

// Opens an existing file for reading without ever waiting on it: a named pipe is refused (-1).
int open_for_reading(const char* name);
// Opens a device or pipe for writing without waiting for a reader (-1 at once when there is none).
int open_device_for_writing(const char* name);
// Creates a file that must not exist yet, for writing: 0666 less the umask on POSIX (the kernel
// applies it); on Windows the folder's inherited permissions stand for the umask.
int create_new(const char* name);
// Creates or truncates a file for writing (BinaryFile's WRITE mode), never waiting on a pipe.
int open_truncated(const char* name);
// A stdio stream over a descriptor ("rb" or "wb"); null on failure, the descriptor then still open.
std::FILE* stream_of(int fd, const char* mode);
// read, write and close of a descriptor, retried on EINTR; read/write give -1 with errno on error.
long long read_some(int fd, void* buffer, size_t size);
long long write_some(int fd, const void* buffer, size_t size);
bool close_descriptor(int fd);

// The permission bits a replacement takes over from the file it replaces (fchmod; nothing on
// Windows, where a read-only file is refused before and the rest is the folder's).
bool keep_mode(int fd, unsigned mode);
// Starts the bytes' way to the disk before a rename onto an existing file (sync_file_range, where
// the system has it; nothing elsewhere).
void start_writeback(int fd);
// Puts from in to's place at once, replacing a file there: rename on POSIX; on Windows
// MoveFileEx with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH. False with errno set.
bool replace_file(const char* from, const char* to);
bool remove_file(const char* name);
// access(W_OK): the file may be written by this process.
bool may_write(const char* name);
bool make_folder(const char* name);  // one level, as mkdir makes it (0777 less the umask)
// The text of the symbolic link name into text: 1; 0 when name is not a link (always on Windows);
// -1 with errno ENAMETOOLONG when the text is too long to read.
int link_text(const char* name, std::string* text);
// The names of the entries of a folder (the current one when folder is empty; "." and ".." left
// out), in the order the system gives them, into names (emptied first). False with errno set when
// the folder cannot be read.
bool list_folder(const char* folder, std::vector<std::string>* names);
// Both names lead to one existing file (device and inode; volume and file index on Windows).
bool same_file(const char* a, const char* b);

// Maps length bytes of fd read-only; null where it cannot (or, on Windows, is not done: reading
// measured as fast there, and no guard is needed).
const void* map_read_only(int fd, size_t length);
void unmap(const void* mapping, size_t length);

// The guard of mapped bytes: installs the process's handler of a fault in a mapping (SIGBUS);
// false where there is none. run_guarded runs visit(context) and gives false when a fault in
// [begin, end) ended it.
bool install_guard();
bool run_guarded(const uint8_t* begin, const uint8_t* end, void (*visit)(void*), void* context);

// The handler of the signals that end a run (SIGINT, SIGTERM, SIGHUP): it calls before_ending (which
// calls only what a signal handler may), then ends the process as the signal would have, unless
// before_ending gave false: a job that ends itself took the signal as a request to stop. A signal
// ignored when the process started (nohup, a shell's background job) stays ignored. On Windows the
// console's Ctrl-C, Ctrl-Break and closing, whose handler runs on a thread of its own: the system
// ends the process after it. False where it could not be installed.
bool install_interrupt_handler(bool (*before_ending)());
// Holds those signals on the calling thread until release_interrupts (not nested): one sent to the
// process goes to another thread or waits. Nothing on Windows.
void hold_interrupts();
void release_interrupts();

// The system's reason for an errno value, in the same words on every platform (glibc's); on
// Windows also for DEVICE_NAME.
const char* error_text(int error);

// The errno value of a call refused because its name is a device's on Windows (below).
constexpr int DEVICE_NAME = 4096;
// The last part of name is a device's name on this system: on Windows CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, COM1-COM9, LPT1-LPT9 in any case, with any extension, trailing dots or spaces
// (which Windows strips), in any folder; never elsewhere. Every call of this layer that takes a
// name refuses such a name with errno DEVICE_NAME before anything is opened, so that no tool reads
// from or writes to a device it was given as a file (AUX would block reading).
bool is_device_name(const char* name);

// Folder separators: '/' everywhere; on Windows also '\\', and the ':' of a drive ("C:walk.tga").
bool is_separator(char c);
// The position of the last separator in path, or std::string::npos.
size_t last_separator(const std::string& path);
// The first character of the last part of name that no file name may hold on this system ('|',
// '?', ... on Windows, where a mipmap letter past 'z' may be one), or 0 when there is none.
char unusable_name_character(const std::string& name);
// An argument the system's code page cannot hold (Windows): which, and the code page.
struct StartRefusal {
    int argument = 0;
    unsigned code_page = 0;
};
// The start of each tool's process, before anything is read or printed. On Windows: standard
// output in binary mode (each line ends in "\n", the bytes the tools write everywhere), and an
// argument that the system's code page cannot hold refused (false, *refusal says which; the tool
// says so).
bool start_process(StartRefusal* refusal);

}  // namespace platform
