#pragma once
#include <functional>

namespace orvenka {

class AppContext;

// What a frame is opened for; each closes with its own steps in its own order.
enum class FrameKind {
    // A command tick: drivers released, answer written (Result.txt), ConnectPending lowered,
    // timer on, end marker (cmd.finish, only when a command was read).
    Command,
    // A device button: ConnectPending lowered, timer on, drivers released.
    Button,
    // The about box: ConnectPending lowered, timer on.
    AboutBox,
};

// The steps of a command's end that belong to the command loop.
struct CommandEnd {
    std::function<void()> answer;
    std::function<void()> endMarker;
};

// The one frame in which command ticks, device buttons and the about box run, so that they
// never overlap: while it is open the busy flag is up, the poll timer is off and ConnectPending
// is raised. The closing steps run whatever the work did, each guarded, so a failing step never
// leaves the timer off (no command would be taken again).
class WorkFrame {
  public:
    explicit WorkFrame(AppContext& ctx) : ctx_(ctx) {}

    // The poll timer, switched off while a frame is open.
    void SetTimerControl(std::function<void(bool enabled)> control) { timer_ = std::move(control); }
    bool Busy() const { return busy_; }

    // Opens the frame, runs `work`, closes the frame with the steps of `kind`. False, and nothing
    // run, while a frame is open (a modal box inside one may let a tick or a click through). An
    // exception of `work` passes to the caller once the frame is closed.
    bool Run(FrameKind kind, const std::function<void()>& work, const CommandEnd& commandEnd = {});

  private:
    void Timer(bool on);

    AppContext& ctx_;
    std::function<void(bool)> timer_;
    bool busy_ = false;
};

}  // namespace orvenka
