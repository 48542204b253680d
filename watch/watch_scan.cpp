// The watch's half where there is no inotify (Windows): the folders' names, sizes and modification
// times compared every SCAN_MS.
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>
#include <tuple>

#include "folder_watch.h"
#include "platform.h"

namespace {

using Seen = std::map<std::string, std::tuple<uintmax_t, long long>>;

class ScanSource : public FolderWatch::Source {
public:
    ScanSource(const std::vector<std::string>& folders, IgnoredName ignored, const void* context)
        : folders_(folders), ignored_(ignored), context_(context)
    {
        scan(&seen_);
        last_ = std::chrono::steady_clock::now();
    }

    bool poll(int timeout_ms, bool* changed) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(SCAN_MS)) return true;
        last_ = now;
        Seen seen;
        if (!scan(&seen)) return false;
        if (seen != seen_) *changed = true;
        seen_ = std::move(seen);
        return true;
    }

private:
    bool scan(Seen* seen) const
    {
        std::vector<std::string> names;
        for (const std::string& folder : folders_) {
            if (!platform::list_folder(folder.c_str(), &names)) return false;
            for (const std::string& name : names) {
                if (ignored_(name, context_)) continue;
                const std::string path = folder.empty() ? name : folder + "/" + name;
                std::error_code error;
                const uintmax_t size = std::filesystem::file_size(path, error);
                const auto when = std::filesystem::last_write_time(path, error);
                (*seen)[path] = {error ? 0 : size, error ? 0 : static_cast<long long>(when.time_since_epoch().count())};
            }
        }
        return true;
    }

    std::vector<std::string> folders_;
    IgnoredName ignored_;
    const void* context_;
    Seen seen_;
    std::chrono::steady_clock::time_point last_;
};

}  // namespace

std::unique_ptr<FolderWatch::Source> watch_source(const std::vector<std::string>& folders, IgnoredName ignored,
                                                  const void* context)
{
    return std::unique_ptr<FolderWatch::Source>(new ScanSource(folders, ignored, context));
}
