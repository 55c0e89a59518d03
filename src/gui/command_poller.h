#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <string>

#include "common/folder_watch.h"
#include "shell/command_loop.h"

namespace orvenka::gui {

// Drives the command loop: the 5000 ms poll timer (`Timer1`) and a watch on the program folder,
// so that a command is taken the moment its writer is done with it. Both act only while the
// timer is enabled; the tick itself switches it off for its whole run, so ticks never overlap.
// A command file that may still be being written is looked at again when the loop asks for it.
// A command handed to the loop's queue (the HTTP door) is carried out as soon as the event loop
// is free, never at the next timer tick, one per turn of the event loop so that the folder's own
// commands take their turns between them.
class CommandPoller : public QObject {
    Q_OBJECT
  public:
    static constexpr int kIntervalMs = 5000;

    // `folder` ends in "/".
    CommandPoller(const std::string& folder, CommandLoop& loop, QObject* parent = nullptr);

    void SetTimerEnabled(bool on);
    bool TimerEnabled() const { return enabled_; }
    bool Watching() const { return watch_.Watching(); }
    const QTimer& Timer() const { return timer_; }

  private:
    void OnWatch();
    void OnQueue();
    void RunTick();

    CommandLoop& loop_;
    FolderWatch watch_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QSocketNotifier> queued_;  // readable while the queue holds a command
    QTimer timer_;
    QTimer soon_;     // a tick as soon as the event loop is free (after the frame has closed)
    QTimer recheck_;  // the loop's own "look again"
    bool enabled_ = false;
    bool wanted_ = false;  // the watch asked for a tick while the timer was off
};

}  // namespace orvenka::gui
