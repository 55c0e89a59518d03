#include "common/folder_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvenka {

FolderWatch::FolderWatch(const std::string& folder) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0)
        return;
    const uint32_t mask =
        IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (::inotify_add_watch(fd_, folder.empty() ? "." : folder.c_str(), mask) < 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

FolderWatch::~FolderWatch() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::vector<FolderWatch::Event> FolderWatch::Read() {
    std::vector<Event> events;
    if (fd_ < 0)
        return events;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            inotify_event e;
            std::memcpy(&e, buffer + at, sizeof e);
            const char* name = buffer + at + sizeof(inotify_event);
            const std::string file = e.len > 0 ? std::string(name, ::strnlen(name, e.len)) : "";
            at += ssize_t(sizeof(inotify_event) + e.len);
            if (e.mask & IN_Q_OVERFLOW) {
                events.push_back({Change::Overflow, ""});
            } else if (e.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                if (!gone_)
                    events.push_back({Change::Gone, ""});
                gone_ = true;
            } else if (e.mask & IN_MOVED_TO) {
                events.push_back({Change::MovedIn, file});
            } else if (e.mask & IN_CLOSE_WRITE) {
                events.push_back({Change::Closed, file});
            } else if (e.mask & IN_CREATE) {
                events.push_back({Change::Created, file});
            }
        }
    }
    return events;
}

}  // namespace orvenka
