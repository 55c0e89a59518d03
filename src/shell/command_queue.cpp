#include "shell/command_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

namespace orvenka {

QueuedCommand::QueuedCommand(std::string line, std::string folder, std::function<void()> finished)
    : line_(std::move(line)), folder_(std::move(folder)), finished_(std::move(finished)) {}

void QueuedCommand::Finish() {
    struct Wake {
        QueuedCommand& command;
        ~Wake() {
            {
                const std::lock_guard<std::mutex> lock(command.mutex_);
                command.finished_flag_ = true;
            }
            command.done_.notify_all();
        }
    } wake{*this};
    if (finished_)
        finished_();
}

bool QueuedCommand::WaitFor(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return done_.wait_for(lock, timeout, [this] { return finished_flag_; });
}

bool QueuedCommand::Finished() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return finished_flag_;
}

CommandQueue::CommandQueue() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CommandQueue::~CommandQueue() {
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

void CommandQueue::Push(std::shared_ptr<QueuedCommand> command) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        commands_.push_back(std::move(command));
    }
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        // A full counter is readable all the same: nothing is lost when this write fails.
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    }
}

void CommandQueue::Drain() {
    if (wakeFd_ < 0)
        return;
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
}

std::shared_ptr<QueuedCommand> CommandQueue::Pop() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (commands_.empty()) {
        Drain();
        return nullptr;
    }
    std::shared_ptr<QueuedCommand> next = std::move(commands_.front());
    commands_.pop_front();
    // Under the lock, so a Push after it always leaves the descriptor readable.
    if (commands_.empty())
        Drain();
    return next;
}

bool CommandQueue::Empty() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return commands_.empty();
}

CommandQueue::State CommandQueue::Snapshot() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

void CommandQueue::SetBusy(bool busy) {
    const std::lock_guard<std::mutex> lock(mutex_);
    state_.busy = busy;
}

void CommandQueue::SetLastCommand(const std::string& word) {
    const std::lock_guard<std::mutex> lock(mutex_);
    state_.lastCommand = word;
}

}  // namespace orvenka
