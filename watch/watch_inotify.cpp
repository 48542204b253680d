// The watch's Linux half: inotify's events for the folders' entries.
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

#include "folder_watch.h"

namespace {

constexpr uint32_t EVENTS = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB;

class InotifySource : public FolderWatch::Source {
public:
    InotifySource(int fd, IgnoredName ignored, const void* context) : fd_(fd), ignored_(ignored), context_(context) {}
    ~InotifySource() override { close(fd_); }

    bool poll(int timeout_ms, bool* changed) override
    {
        pollfd one{fd_, POLLIN, 0};
        const int ready = ::poll(&one, 1, timeout_ms);
        if (ready < 0) return errno == EINTR;
        if (ready == 0) return true;
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got < 0) return errno == EAGAIN || errno == EINTR;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                // A lost event (IN_Q_OVERFLOW) is a change too: what it was is unknown.
                if (event->len == 0 || !ignored_(event->name, context_)) *changed = true;
            }
        }
    }

private:
    int fd_;
    IgnoredName ignored_;
    const void* context_;
};

}  // namespace

std::unique_ptr<FolderWatch::Source> watch_source(const std::vector<std::string>& folders, IgnoredName ignored,
                                                  const void* context)
{
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return nullptr;
    std::unique_ptr<FolderWatch::Source> source(new InotifySource(fd, ignored, context));
    for (const std::string& folder : folders)
        if (inotify_add_watch(fd, folder.empty() ? "." : folder.c_str(), EVENTS) < 0) return nullptr;
    return source;
}
