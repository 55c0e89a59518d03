#include "gui/command_poller.h"

#include <unistd.h>

namespace orvenka::gui {

CommandPoller::CommandPoller(const std::string& folder, std::function<void()> tick,
                             std::function<bool()> busy, QObject* parent)
    : QObject(parent),
      commandFile_(folder + "cmd.ini"),
      tick_(std::move(tick)),
      busy_(std::move(busy)) {
    timer_.setInterval(kIntervalMs);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&timer_, &QTimer::timeout, this, &CommandPoller::RunTick);
    connect(&settle_, &QTimer::timeout, this, &CommandPoller::RunTick);
    // Without a watch (no inotify, folder gone) the timer alone polls.
    watching_ = watcher_.addPath(QString::fromStdString(folder));
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &CommandPoller::OnFolderEvent);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &CommandPoller::OnFolderEvent);
}

void CommandPoller::SetTimerEnabled(bool on) {
    enabled_ = on;
    if (on) {
        timer_.start();
        OnFolderEvent();  // a command that arrived while the timer was off
    } else {
        timer_.stop();
        settle_.stop();
    }
}

void CommandPoller::OnFolderEvent() {
    if (!enabled_)
        return;
    const QString path = QString::fromStdString(commandFile_);
    if (::access(commandFile_.c_str(), F_OK) != 0)
        return;
    // Rewrites of an existing cmd.ini show only as changes of the file itself. The file is
    // looked at after the watch is in place, so content written in between is not missed.
    if (watching_ && !watcher_.files().contains(path))
        watcher_.addPath(path);
    const auto stamp = StampOf(commandFile_);
    // An empty file is still being written; its content brings another event.
    if (!stamp || stamp->size == 0 || stamp == afterTick_)
        return;
    settle_.start();  // restarting coalesces a burst of events into one tick
}

void CommandPoller::RunTick() {
    settle_.stop();
    if (busy_ && busy_())
        return;
    tick_();
    afterTick_ = StampOf(commandFile_);
}

}  // namespace orvenka::gui
