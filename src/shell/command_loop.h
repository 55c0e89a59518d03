#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/files.h"
#include "shell/app_context.h"
#include "shell/command_parser.h"

namespace orvenka {

// The command loop: one poll of the program folder per Tick, in the context's work frame. The
// GUI calls Tick from its 5000 ms timer and from a watch on the folder; a tick never overlaps
// another tick or a device button (one started while the frame is open, e.g. from a modal
// dialog's event loop, returns at once).
class CommandLoop {
  public:
    explicit CommandLoop(AppContext& ctx);

    // One poll; true when a command was read (and so cmd.finish written).
    bool Tick();
    bool Busy() const { return ctx_.frame.Busy(); }

  private:
    CommandText ReadCommandFile();
    void DeleteCommandFile();
    void WriteResultFile();
    void DeleteFinishFile();
    void WriteFinishFile();
    void SaveMarker(const std::string& name);

    AppContext& ctx_;
    std::optional<FileStamp> commandFileLeft_;  // cmd.ini as read and emptied by this tick
    std::string lineRead_;                      // the non-empty first line this tick read
    std::optional<uint64_t> tooLarge_;          // size of a command file beyond its limit
};

}  // namespace orvenka
