#pragma once
#include <string>
#include <vector>

namespace orvenka {

// Changes to the files of one folder, as the kernel reports them (inotify): which file a writer
// has closed after writing, and which one was renamed into the folder. Writes through a
// symbolic link to a file elsewhere are not seen, and a file that replaced another is seen like
// any new one. Where no watch can be set up (no inotify, no folder) nothing is reported and the
// caller polls.
class FolderWatch {
  public:
    enum class Change {
        Created,   // a name appeared (a file being written, a link, a pipe ...)
        Closed,    // a file opened for writing was closed
        MovedIn,   // a file was renamed into the folder (or within it)
        Overflow,  // changes were lost: look at the folder itself
        Gone,      // the folder itself was deleted or moved away: nothing more will come
    };
    struct Event {
        Change change;
        std::string name;  // the file's name in the folder; empty for Overflow and Gone
    };

    explicit FolderWatch(const std::string& folder);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    bool Watching() const { return fd_ >= 0 && !gone_; }
    // Becomes readable when events wait; -1 without a watch.
    int Fd() const { return fd_; }
    // The events that have come, oldest first; never waits.
    std::vector<Event> Read();

  private:
    int fd_ = -1;
    bool gone_ = false;
};

}  // namespace orvenka
