#include "shell/command_loop.h"

#include <sys/stat.h>

#include <chrono>
#include <exception>

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/text.h"
#include "shell/dispatch.h"

namespace orvenka {
namespace {

const char* const kCommandFile = "cmd.ini";
const char* const kFinishFile = "cmd.finish";
const char* const kResultFile = "Result.txt";
const char* const kCommandMarker = "Не смог удалить CMD.ini";
const char* const kFinishMarker = "Не смог удалить CMD.Finish";
constexpr int kFinishRounds = 1001;

int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Only the first line counts, so once it has its line end the command in it is whole.
bool FirstLineEnded(const std::string& bytes) {
    return bytes.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

CommandLoop::CommandLoop(AppContext& ctx) : ctx_(ctx), now_(SteadyMs) {}

std::optional<std::string> CommandLoop::CommandFileName() const {
    return FileSpellingOf(ctx_.Folder(), kCommandFile);
}

bool CommandLoop::NoteChange(const FolderWatch::Event& event) {
    switch (event.change) {
        case FolderWatch::Change::Overflow:
            return true;
        case FolderWatch::Change::Gone:
            return false;
        default:
            break;
    }
    if (!SameNoCase(event.name, kCommandFile))
        return false;
    const std::string path = ctx_.Path(event.name);
    const auto entry = EntryStampOf(path);
    if (!entry ||
        (leftBehind_ && leftBehind_->first == event.name && leftBehind_->second == *entry))
        return false;
    const auto plain = StampOf(path);
    if (!plain) {
        // A link, a pipe ...: nothing more is coming to it; it is reported at once.
        return !IsFolder(path);
    }
    if (event.change == FolderWatch::Change::Created)
        return false;  // its writer has only begun
    completed_[event.name] = {*plain, event.change == FolderWatch::Change::MovedIn};
    return true;
}

bool CommandLoop::CommandWaiting() const {
    const auto name = CommandFileName();
    if (!name)
        return false;
    const auto entry = EntryStampOf(ctx_.Path(*name));
    if (!entry)
        return false;
    // One that could not be deleted, or one still being written that a recheck will look at.
    const bool left = leftBehind_ && leftBehind_->first == *name && leftBehind_->second == *entry;
    const bool watched = seen_ && seen_->name == *name && seen_->stamp == *entry;
    return !left && !watched;
}

bool CommandLoop::Tick() {
    bool commandRead = false;
    const auto work = [&] {
        commandPath_.clear();
        commandFileLeft_.reset();
        recheck_.reset();
        lineRead_.clear();
        tooLarge_.reset();
        ctx_.RunGuarded([&] {
            const CommandText cmd = ReadCommandFile();
            if (!cmd.word.empty()) {
                ctx_.LogMessage("Прочитал команду " + cmd.word);
                DeleteFinishFile();
                commandRead = true;
                RunDispatch(ctx_, cmd);
            } else if (tooLarge_) {
                // Junk of any size is answered like a line without a command word, unread.
                ctx_.LogMessage("Прочитал команду: файл команд слишком велик");
                DeleteFinishFile();
                commandRead = true;
                ctx_.LogError("Файл команд " + ctx_.Path(kCommandFile) + " слишком велик (" +
                              std::to_string(*tooLarge_) + " байт, допустимо не более " +
                              std::to_string(kMaxCommandFileBytes) +
                              " байт). Команда не выполнена");
            } else if (!lineRead_.empty()) {
                // A line that names no command (e.g. "PRN,,") still gets an answer: without one
                // the accounting system would wait for cmd.finish for ever.
                ctx_.LogMessage("Прочитал команду " + lineRead_);
                DeleteFinishFile();
                commandRead = true;
                ctx_.LogError("В строке команды \"" + lineRead_ +
                              "\" не указано слово команды. Команда не выполнена");
            }
        });
    };
    const CommandEnd end{[this] { WriteResultFile(); },
                         [this, &commandRead] {
                             if (commandRead)
                                 WriteFinishFile();
                         }};
    ctx_.frame.Run(FrameKind::Command, work, end);
    return commandRead;
}

bool CommandLoop::WriterDone(const std::string& name, const FileToEmpty& file) {
    const auto done = completed_.find(name);
    const bool closed = done != completed_.end() && done->second.stamp == file.Stamp();
    const bool lineEnded = FirstLineEnded(file.Bytes());
    if (closed && (done->second.renamed || lineEnded))
        return true;
    // No word from the writer (or a writer that may come back for the rest of the line): the
    // file counts as written once it has stayed as it is for a while.
    const int64_t now = now_();
    if (!seen_ || seen_->name != name || !(seen_->stamp == file.Stamp()))
        seen_ = Seen{name, file.Stamp(), now};
    const int64_t needed = lineEnded ? kSettledMs : kUnfinishedMs;
    const int64_t unchanged = now - seen_->since;
    if (unchanged >= needed)
        return true;
    recheck_ = needed - unchanged;
    return false;
}

CommandText CommandLoop::ReadCommandFile() {
    CommandText cmd;
    const auto name = CommandFileName();
    if (!name) {
        seen_.reset();
        return cmd;
    }
    commandPath_ = ctx_.Path(*name);
    const std::string& path = commandPath_;
    try {
        // Until the file is emptied, the file as found is what the end of the tick may delete
        // (also when it cannot be read: its error is reported and it does not come back).
        commandFileLeft_ = EntryStampOf(path);
        FileToEmpty file(path, kMaxCommandFileBytes);
        commandFileLeft_ = file.Stamp();
        if (!WriterDone(*name, file)) {
            commandFileLeft_.reset();
            return cmd;
        }
        seen_.reset();
        completed_.erase(*name);
        const std::vector<std::string> lines = SplitLines(DecodeFileText(file.Bytes()));
        if (lines.empty())
            throw Failure("Файл команд " + path + " пуст: в нём нет ни одной строки");
        const std::string& line = lines.front();
        if (!line.empty()) {
            ctx_.log.ClearErrors();
            DeleteFileIfExists(ctx_.Path(kResultFile));
            lineRead_ = line;
            cmd = ParseCommandLine(line, ctx_.device, ctx_.StartupKind);
        }
        // A file written in its place meanwhile is another command: it stays for the next poll.
        if (const auto emptied = file.Empty())
            commandFileLeft_ = emptied;
    } catch (const FileTooLarge& f) {
        // Junk of any size is refused from its size alone, unread; the end of the tick deletes it.
        ctx_.log.ClearErrors();
        DeleteFileIfExists(ctx_.Path(kResultFile));
        seen_.reset();
        completed_.erase(*name);
        tooLarge_ = f.Size();
    } catch (const Failure& f) {
        seen_.reset();
        completed_.erase(*name);
        ctx_.LogError(f.what());
    }
    return cmd;
}

void CommandLoop::SaveMarker(const std::string& name) {
    SaveLinesAtomic(ctx_.Path(name), ctx_.log.Errors());
}

void CommandLoop::DeleteCommandFile() {
    leftBehind_.reset();
    if (commandPath_.empty())
        return;
    const auto now = EntryStampOf(commandPath_);
    if (!now)
        return;
    if (!commandFileLeft_ || !(*now == *commandFileLeft_)) {
        // Not the file this tick emptied: the accounting system has written a new command while
        // the last one ran. It stays and runs at the next poll.
        if (commandFileLeft_)
            ctx_.LogMessage("В " + commandPath_ + " новая команда, она будет выполнена следующей");
        return;
    }
    if (!DeleteFileIfExists(commandPath_)) {
        leftBehind_ = {FileNameOf(commandPath_), *now};
        SaveMarker(kCommandMarker);
    }
}

void CommandLoop::WriteResultFile() {
    try {
        DeleteCommandFile();
    } catch (const Failure& f) {
        ctx_.LogError(f.what());
    }
    try {
        SaveAnswerLines(ctx_.Path(kResultFile), ctx_.log.Errors());
    } catch (const Failure& f) {
        ctx_.LogError(f.what());
    }
}

void CommandLoop::DeleteFinishFile() {
    const std::string path = ctx_.Path(kFinishFile);
    try {
        for (int round = 0; round < kFinishRounds; ++round) {
            if (!FileExists(path) || DeleteFileIfExists(path))
                break;
            SaveMarker(kFinishMarker);
        }
    } catch (const Failure& f) {
        ctx_.LogError(f.what());
    }
}

void CommandLoop::WriteFinishFile() {
    const std::string path = ctx_.Path(kFinishFile);
    const std::string text = FormatDateTime(ctx_.clock.Now());
    try {
        for (int round = 0; round < kFinishRounds; ++round) {
            if (!FileExists(path) || DeleteFileIfExists(path)) {
                SaveAnswerLines(path, {text});
                return;
            }
            SaveMarker(kFinishMarker);
        }
    } catch (const Failure& f) {
        ctx_.LogError(f.what());
    }
}

}  // namespace orvenka
