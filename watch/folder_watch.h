// Waiting for the files of some folders to change, for a job that makes its output again while
// its inputs are edited (qfbprep pack --watch): inotify on Linux, elsewhere a scan of the folders'
// names, sizes and modification times (CMake picks the half). Never prints, installs no handler.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

// A change is settled once this long has passed with no other: a burst of saves makes one change.
constexpr int SETTLE_MS = 120;
// How often the scan compares the folders where there is no inotify.
constexpr int SCAN_MS = 100;

// A name in a watched folder that is not the inputs' own: its changes are none.
using IgnoredName = bool (*)(const std::string& name, const void* context);

class FolderWatch {
public:
    // Watches the folders (the current one for ""); ignored names the watcher's own files.
    FolderWatch(const std::vector<std::string>& folders, IgnoredName ignored, const void* context);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    enum class Wait { changed, stopped, failed };
    // Returns changed once a change was followed by SETTLE_MS without one; stopped as soon as stop
    // is true (looked at every few tens of milliseconds); failed when the folders cannot be watched.
    Wait wait_for_change(const std::atomic<bool>& stop);

    // How the system reports changes: it waits up to timeout_ms and says whether there was one.
    class Source {
    public:
        virtual ~Source() = default;
        virtual bool poll(int timeout_ms, bool* changed) = 0;
    };

private:
    std::unique_ptr<Source> source_;
};

// The half CMake picks: inotify, or the scan.
std::unique_ptr<FolderWatch::Source> watch_source(const std::vector<std::string>& folders, IgnoredName ignored,
                                                  const void* context);
