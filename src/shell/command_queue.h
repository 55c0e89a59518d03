#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// Commands that come from outside the folder's files (the HTTP door) wait here for the command
// loop, in the order they came. The loop carries them out one at a time, in the same frame as
// the file commands, so the two never overlap; the threads that handed them over wait for their
// end without ever holding the loop up.
namespace orvenka {

class QueuedCommand {
  public:
    // `line` is a cmd.ini line; `folder` (ending in "/") the command's private exchange folder:
    // its Param.ini, Tovar.ini and Dop.ini are read from it and its Result.txt,
    // ResultNumCheck.txt and cmd.finish written into it, never the working folder's.
    // `finished` runs on the loop's thread once the answer files are written, before any waiter
    // is woken.
    QueuedCommand(std::string line, std::string folder, std::function<void()> finished);

    const std::string& Line() const { return line_; }
    const std::string& Folder() const { return folder_; }

    // Called by the loop: runs `finished` (a failure of it is the caller's) and wakes the
    // waiters.
    void Finish();
    // True once Finish has run; false when `timeout` passed first.
    bool WaitFor(std::chrono::milliseconds timeout) const;
    bool Finished() const;

  private:
    std::string line_;
    std::string folder_;
    std::function<void()> finished_;
    mutable std::mutex mutex_;
    mutable std::condition_variable done_;
    bool finished_flag_ = false;
};

class CommandQueue {
  public:
    CommandQueue();
    ~CommandQueue();
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    // Any thread. The wake descriptor becomes readable.
    void Push(std::shared_ptr<QueuedCommand> command);
    // The loop's thread: the oldest command, or nullptr. The wake descriptor stays readable
    // while commands are left.
    std::shared_ptr<QueuedCommand> Pop();
    bool Empty() const;
    // Readable while a command waits: the GUI watches it to run the loop at once, not at the
    // next timer tick. -1 when the system gave none (the timer then finds the commands).
    int WakeFd() const { return wakeFd_; }

    // What the loop does, for the status any thread may ask for.
    struct State {
        bool busy = false;
        std::string lastCommand;
    };
    State Snapshot() const;
    void SetBusy(bool busy);
    void SetLastCommand(const std::string& word);

  private:
    void Drain();

    mutable std::mutex mutex_;
    std::deque<std::shared_ptr<QueuedCommand>> commands_;
    State state_;
    int wakeFd_ = -1;
};

// A way into the loop beside the files (the HTTP door): open for the run, closed (its threads
// ended) when destroyed, before the program's exit steps.
class CommandDoor {
  public:
    virtual ~CommandDoor() = default;
};

}  // namespace orvenka
