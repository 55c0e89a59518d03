#pragma once
// Waiting for a file in the working folder of the program under measure, as an accounting system
// waits for cmd.finish: woken at once by inotify, and looking at least every 0.2 ms anyway, so a
// missed event costs no more than that.
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "common/files.h"

namespace orvenka::bench {

// An inotify descriptor watching `folder` for files created or renamed in; -1 on failure.
inline int WatchFolder(const std::string& folder) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd >= 0 && ::inotify_add_watch(fd, folder.c_str(), IN_MOVED_TO | IN_CREATE) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline bool WaitForFile(int fd, const std::string& file,
                        std::chrono::steady_clock::time_point deadline) {
    char buffer[4096];
    while (!FileExists(file)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        pollfd p{fd, POLLIN, 0};
        const timespec slice{0, 200'000};
        if (::ppoll(&p, 1, &slice, nullptr) > 0) {
            while (::read(fd, buffer, sizeof buffer) > 0) {
            }
        }
    }
    return true;
}

}  // namespace orvenka::bench
