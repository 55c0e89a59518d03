#include "gui/command_poller.h"

namespace orvenka::gui {

CommandPoller::CommandPoller(const std::string& folder, CommandLoop& loop, QObject* parent)
    : QObject(parent), loop_(loop), watch_(folder) {
    timer_.setInterval(kIntervalMs);
    soon_.setSingleShot(true);
    soon_.setInterval(0);
    recheck_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &CommandPoller::RunTick);
    connect(&soon_, &QTimer::timeout, this, &CommandPoller::RunTick);
    connect(&recheck_, &QTimer::timeout, this, &CommandPoller::RunTick);
    // Without a watch (no inotify, folder gone) the timer alone polls.
    if (watch_.Watching()) {
        notifier_ = std::make_unique<QSocketNotifier>(watch_.Fd(), QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &CommandPoller::OnWatch);
    }
    if (loop_.Queue().WakeFd() >= 0) {
        queued_ = std::make_unique<QSocketNotifier>(loop_.Queue().WakeFd(), QSocketNotifier::Read);
        queued_->setEnabled(false);
        connect(queued_.get(), &QSocketNotifier::activated, this, &CommandPoller::OnQueue);
    }
}

void CommandPoller::SetTimerEnabled(bool on) {
    enabled_ = on;
    // The descriptor stays readable while commands wait: watched only while one may run.
    if (queued_)
        queued_->setEnabled(on);
    if (on) {
        timer_.start();
        // A command that came while the timer was off, or was there before the start. Not
        // run from here: the frame that switches the timer on is still closing.
        if (wanted_ || loop_.CommandWaiting())
            soon_.start();
        wanted_ = false;
    } else {
        timer_.stop();
        soon_.stop();
        recheck_.stop();
    }
}

void CommandPoller::OnWatch() {
    bool tick = false;
    for (const FolderWatch::Event& event : watch_.Read()) {
        tick = loop_.NoteChange(event) || tick;
        if (event.change == FolderWatch::Change::Gone && notifier_)
            notifier_->setEnabled(false);
    }
    if (!tick)
        return;
    if (!enabled_ || loop_.Busy()) {
        wanted_ = true;
        return;
    }
    RunTick();
}

void CommandPoller::OnQueue() {
    if (enabled_ && !loop_.Busy())
        loop_.RunQueued();
}

void CommandPoller::RunTick() {
    soon_.stop();
    recheck_.stop();
    if (loop_.Busy())
        return;
    loop_.Tick();
    // Without a wake descriptor the timer finds them.
    if (!queued_)
        loop_.RunQueued();
    if (const auto ms = loop_.RecheckInMs(); ms && enabled_)
        recheck_.start(static_cast<int>(*ms));
}

}  // namespace orvenka::gui
