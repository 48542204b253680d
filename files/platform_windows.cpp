// The platform layer on Windows (see platform.h): files opened through CreateFile with every
// sharing mode, held as the C library's descriptors; read, not mapped; replaced with MoveFileEx;
// the glibc wording for the errno values the tools report; the start-up that puts standard output
// in binary mode and refuses an argument the code page cannot hold.
#include "platform.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace platform {

namespace {

// The errno value for the error of a Win32 call.
int errno_of(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    default: return EIO;
    }
}

void fill(DWORD attributes, uint64_t size, FileInfo* info)
{
    info->folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info->regular = !info->folder && (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
    info->link = false;
    info->size = info->regular ? size : 0;
    info->mode = 0;
}

// Refuses a device's name: errno DEVICE_NAME and true.
bool refused(const char* name)
{
    if (!is_device_name(name)) return false;
    errno = DEVICE_NAME;
    return true;
}

// Opens name through CreateFile (a folder too, as POSIX open does) and gives it a descriptor;
// -1 with errno set on failure.
int open_handle(const char* name, DWORD access, DWORD disposition, int flags)
{
    if (refused(name)) return -1;
    const HANDLE handle = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = errno_of(GetLastError());
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

bool (*cleanup_before_ending)() = nullptr;

BOOL WINAPI on_console_event(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    if (!cleanup_before_ending()) return TRUE;  // a job stops itself
    return FALSE;  // the system's own handler ends the process
}

// Each read or write asks for at most this many bytes (the C library's calls take an unsigned int).
constexpr size_t MAX_TRANSFER = size_t{1} << 30;

}  // namespace

bool info_of_name(const char* name, FileInfo* info)
{
    if (refused(name)) return false;
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (!GetFileAttributesExA(name, GetFileExInfoStandard, &data)) {
        errno = errno_of(GetLastError());
        return false;
    }
    fill(data.dwFileAttributes, (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow, info);
    return true;
}

bool info_of_link(const char* name, FileInfo* info) { return info_of_name(name, info); }

bool info_of_descriptor(int fd, FileInfo* info)
{
    const HANDLE handle = handle_of(fd);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return false;
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {  // a console, a pipe, the NUL device
        fill(FILE_ATTRIBUTE_DEVICE, 0, info);
        return true;
    }
    BY_HANDLE_FILE_INFORMATION data {};
    if (!GetFileInformationByHandle(handle, &data)) {
        errno = errno_of(GetLastError());
        return false;
    }
    fill(data.dwFileAttributes, (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow, info);
    return true;
}

int open_for_reading(const char* name)
{
    const int fd = open_handle(name, GENERIC_READ, OPEN_EXISTING, _O_RDONLY);
    if (fd >= 0 && GetFileType(handle_of(fd)) == FILE_TYPE_PIPE) {  // a named pipe may never deliver
        _close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

int open_device_for_writing(const char* name) { return open_handle(name, GENERIC_WRITE, OPEN_EXISTING, _O_WRONLY); }

int create_new(const char* name) { return open_handle(name, GENERIC_WRITE, CREATE_NEW, _O_WRONLY); }

int open_truncated(const char* name) { return open_handle(name, GENERIC_WRITE, CREATE_ALWAYS, _O_WRONLY); }

std::FILE* stream_of(int fd, const char* mode) { return _fdopen(fd, mode); }

long long read_some(int fd, void* buffer, size_t size)
{
    return _read(fd, buffer, static_cast<unsigned>(size < MAX_TRANSFER ? size : MAX_TRANSFER));
}

long long write_some(int fd, const void* buffer, size_t size)
{
    return _write(fd, buffer, static_cast<unsigned>(size < MAX_TRANSFER ? size : MAX_TRANSFER));
}

bool close_descriptor(int fd) { return _close(fd) == 0; }

bool keep_mode(int, unsigned) { return true; }

void start_writeback(int) {}

bool replace_file(const char* from, const char* to)
{
    if (refused(from) || refused(to)) return false;
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    errno = errno_of(GetLastError());
    return false;
}

bool remove_file(const char* name)
{
    if (refused(name)) return false;
    if (DeleteFileA(name)) return true;
    errno = errno_of(GetLastError());
    return false;
}

bool may_write(const char* name)
{
    if (refused(name)) return false;
    const DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        errno = errno_of(GetLastError());
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
    errno = EACCES;
    return false;
}

bool make_folder(const char* name)
{
    if (refused(name)) return false;
    if (CreateDirectoryA(name, nullptr)) return true;
    errno = errno_of(GetLastError());
    return false;
}

int link_text(const char*, std::string*) { return 0; }

bool list_folder(const char* folder, std::vector<std::string>* names)
{
    names->clear();
    std::string pattern = folder;
    if (!pattern.empty() && !is_separator(pattern.back())) pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA entry {};
    const HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        errno = errno_of(error);
        return error == ERROR_FILE_NOT_FOUND;  // a folder without entries (a drive's root may be one)
    }
    do {
        const char* name = entry.cFileName;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) names->push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return true;
}

bool same_file(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION info[2] {};
    const char* names[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        if (refused(names[i])) return false;
        const HANDLE handle = CreateFileA(names[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const bool known = GetFileInformationByHandle(handle, &info[i]) != 0;
        CloseHandle(handle);
        if (!known) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

const void* map_read_only(int, size_t) { return nullptr; }

void unmap(const void*, size_t) {}

bool install_guard() { return false; }

bool run_guarded(const uint8_t*, const uint8_t*, void (*visit)(void*), void* context)
{
    visit(context);
    return true;
}

bool install_interrupt_handler(bool (*before_ending)())
{
    cleanup_before_ending = before_ending;
    return SetConsoleCtrlHandler(on_console_event, TRUE) != 0;
}

void hold_interrupts() {}

void release_interrupts() {}

const char* error_text(int error)
{
    // Microsoft's C library words some of these differently ("Filename too long", ...).
    switch (error) {
    case ENOENT: return "No such file or directory";
    case EACCES: return "Permission denied";
    case EEXIST: return "File exists";
    case ENOTDIR: return "Not a directory";
    case EISDIR: return "Is a directory";
    case ENOSPC: return "No space left on device";
    case ENAMETOOLONG: return "File name too long";
    case ENOMEM: return "Cannot allocate memory";
    case EXDEV: return "Invalid cross-device link";
    case EBUSY: return "Device or resource busy";
    case EIO: return "Input/output error";
    case EMFILE: return "Too many open files";
    case EBADF: return "Bad file descriptor";
    case EINVAL: return "Invalid argument";
    case DEVICE_NAME: return "the name is a device's on Windows (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9), not a file's";
    default: return std::strerror(error);
    }
}

bool is_device_name(const char* name)
{
    const std::string path = name;
    const size_t separator = last_separator(path);
    std::string last = path.substr(separator == std::string::npos ? 0 : separator + 1);
    // Windows strips trailing dots and spaces from a name, then reads the part before the first
    // dot, less its trailing spaces, as the device's ("nul .tga" and "NUL.tar.gz" are NUL).
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    std::string stem = last.substr(0, last.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" || stem == "CONOUT$")
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
           stem[3] <= '9';
}

bool is_separator(char c) { return c == '/' || c == '\\' || c == ':'; }

size_t last_separator(const std::string& path) { return path.find_last_of("/\\:"); }

char unusable_name_character(const std::string& name)
{
    const size_t separator = last_separator(name);
    for (size_t i = separator == std::string::npos ? 0 : separator + 1; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 32 || std::strchr("<>:\"|?*", c) != nullptr) return name[i];
    }
    return 0;
}

bool start_process(StartRefusal* refusal)
{
    // The tools write "\n" at the end of each line, as on every other system.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const UINT code_page = GetACP();
    if (code_page == CP_UTF8) return true;  // every name fits
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return true;  // the C library's own arguments are used as they are
    int refused = 0;
    for (int i = 1; i < count && refused == 0; ++i) {
        BOOL lost = FALSE;
        const int length = WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, arguments[i], -1, nullptr, 0, nullptr, &lost);
        if (length == 0 || lost) refused = i;
    }
    LocalFree(arguments);
    if (refused == 0) return true;
    refusal->argument = refused;
    refusal->code_page = code_page;
    return false;
}

}  // namespace platform
