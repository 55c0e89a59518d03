#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/folder_watch.h"
#include "shell/app_context.h"
#include "shell/command_parser.h"
#include "shell/command_queue.h"

namespace orvenka {

// The command loop: one poll of the program folder per Tick, in the context's work frame. The
// GUI calls Tick from its 5000 ms timer and from a watch on the folder; a tick never overlaps
// another tick or a device button (one started while the frame is open, e.g. from a modal
// dialog's event loop, returns at once).
//
// cmd.ini is found in any letter case (CMD.INI, Cmd.Ini ...); with several spellings at once
// each is a command of its own, "cmd.ini" first, then the others in byte order. It is read only
// once its writer is done with it: renamed into place, or closed after writing with its first
// line ended, as the folder watch reports; without such a report (the timer, a folder on a
// network file system), once it has stayed unchanged for kSettledMs, or for kUnfinishedMs when
// its first line has no line end yet (or there is no line at all).
//
// A command is taken before it is carried out: cmd.ini is renamed to a name of the program's own
// in the folder, which needs the right to write to the folder only. One that cannot be taken is
// answered with an error line and never carried out, and not looked at again until it changes.
// A command taken by a run that ended before answering it is answered with an error line by
// the next run's first tick, never carried out a second time.
// A command is taken by renaming cmd.ini to this name and the program's process id: only the
// folder must be writable for that, not the file, and a writer of cmd.ini can never reach it.
inline constexpr const char* kTakenCommandPrefix = ".cmd.ini.taken-";

class CommandLoop {
  public:
    static constexpr int64_t kSettledMs = 500;
    static constexpr int64_t kUnfinishedMs = 2000;

    explicit CommandLoop(AppContext& ctx);

    // A change the folder watch reported. True when a tick should look at the folder now.
    bool NoteChange(const FolderWatch::Event& event);
    // A command file lies in the folder that no tick has dealt with yet.
    bool CommandWaiting() const;

    // One poll; true when a command was read (and so cmd.finish written).
    bool Tick();

    // Commands handed over from outside the files, carried out in the same frame by the same
    // dispatch, in the order they came.
    CommandQueue& Queue() { return queue_; }
    // Carries out the oldest of them, if any and no frame is open: its line is parsed like a
    // cmd.ini line, its incoming files are read from its own folder and its Result.txt,
    // ResultNumCheck.txt and cmd.finish written there; the working folder's answer files are
    // never touched, and the error pane is given back the folder's answer afterwards. True when
    // one ran.
    bool RunQueued();
    bool Busy() const { return ctx_.frame.Busy(); }
    // After a tick that left cmd.ini because it may still be being written: in how many
    // milliseconds it is worth looking again.
    std::optional<int64_t> RecheckInMs() const { return recheck_; }

    // Monotonic milliseconds; tests move them by hand.
    void SetMonotonicClock(std::function<int64_t()> now) { now_ = std::move(now); }

  private:
    struct Completed {
        FileStamp stamp;
        bool renamed = false;
    };
    struct Seen {
        std::string name;
        FileStamp stamp;
        int64_t since = 0;
    };

    std::optional<std::string> CommandFileName() const;
    bool WriterDone(const std::string& name, const FileToEmpty& file);
    CommandText ReadCommandFile();
    // Commands taken by a run that ended before answering them: each gets an error line, none
    // is carried out again. True when there were any.
    bool AnswerLeftovers();
    std::vector<std::string> TakenLeftovers() const;
    void DeleteCommandFile();
    void WriteResultFile();
    void DeleteFinishFile();
    void WriteFinishFile();
    void SaveMarker(const std::string& name);

    AppContext& ctx_;
    CommandQueue queue_;
    std::function<int64_t()> now_;
    std::map<std::string, Completed> completed_;  // by spelling: as the writer left it
    std::optional<Seen> seen_;                    // first seen unchanged since
    std::optional<int64_t> recheck_;
    std::string commandPath_;             // the spelling this tick looked at
    std::string takenPath_;               // where this tick took it to
    std::optional<std::string> untaken_;  // why it could not be taken
    bool leftoversAnswered_ = false;
    std::optional<FileStamp> commandFileLeft_;  // cmd.ini as read and emptied by this tick
    std::optional<std::pair<std::string, FileStamp>> leftBehind_;  // one that could not go
    std::string lineRead_;                                         // the non-empty first line
    std::optional<uint64_t> tooLarge_;  // size of a command file beyond its limit
};

}  // namespace orvenka
