#pragma once
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "common/files.h"

namespace orvenka::gui {

// Drives the command loop: the 5000 ms poll timer (`Timer1`) and, so that a command is taken
// within milliseconds, a watch on the program folder. Both act only while the timer is
// enabled; the tick itself switches it off for its whole run, so ticks never overlap.
class CommandPoller : public QObject {
    Q_OBJECT
  public:
    static constexpr int kIntervalMs = 5000;
    // Quiet time after the last folder event before a tick: the accounting system creates
    // cmd.ini and then writes it, which are two events.
    static constexpr int kSettleMs = 20;

    // `folder` ends in "/". `tick` runs one poll; `busy` tells that one is running.
    CommandPoller(const std::string& folder, std::function<void()> tick, std::function<bool()> busy,
                  QObject* parent = nullptr);

    void SetTimerEnabled(bool on);
    bool TimerEnabled() const { return enabled_; }
    bool Watching() const { return watching_; }
    const QTimer& Timer() const { return timer_; }

  private:
    void OnFolderEvent();
    void RunTick();

    std::string commandFile_;
    std::function<void()> tick_;
    std::function<bool()> busy_;
    QTimer timer_;
    QTimer settle_;
    QFileSystemWatcher watcher_;
    bool watching_ = false;
    bool enabled_ = false;
    // cmd.ini as the last tick left it: a file the tick could not delete must not make every
    // folder event start another tick; the timer keeps trying it.
    std::optional<FileStamp> afterTick_;
};

}  // namespace orvenka::gui
