#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/files.h"
#include "shell/app_context.h"
#include "shell/command_parser.h"

namespace orvenka {

// The command loop: one poll of the program folder per Tick. The GUI calls Tick from its
// 5000 ms timer and from a watch on the folder; ticks never overlap (a tick started while
// another runs, e.g. from a modal dialog's event loop, returns at once).
class CommandLoop {
  public:
    explicit CommandLoop(AppContext& ctx);

    // One poll; true when a command was read (and so cmd.finish written).
    bool Tick();
    bool Busy() const { return busy_; }

    // The poll timer, switched off for the whole tick and on again at its end.
    void SetTimerControl(std::function<void(bool enabled)> control) { timer_ = std::move(control); }

  private:
    CommandText ReadCommandFile();
    void DeleteCommandFile();
    void WriteResultFile();
    void DeleteFinishFile();
    void WriteFinishFile();
    void SaveMarker(const std::string& name);

    AppContext& ctx_;
    bool busy_ = false;
    std::function<void(bool)> timer_;
    std::optional<FileStamp> commandFileLeft_;  // cmd.ini as read and emptied by this tick
    std::string lineRead_;                      // the non-empty first line this tick read
};

}  // namespace orvenka
