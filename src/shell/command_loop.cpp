#include "shell/command_loop.h"

#include <sys/stat.h>
#include <unistd.h>

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
std::string TakenName(const std::string& folder) {
    return folder + kTakenCommandPrefix + std::to_string(::getpid());
}

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
    for (const std::string& spelling : SpellingsOf(ctx_.Folder(), kCommandFile)) {
        const std::string path = ctx_.Path(spelling);
        const auto entry = EntryStampOf(path);
        if (!entry || IsFolder(path))
            continue;
        // One that could not be taken or deleted is looked at again once it changes.
        if (leftBehind_ && leftBehind_->first == spelling && leftBehind_->second == *entry)
            continue;
        return spelling;
    }
    return std::nullopt;
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
    if (!leftoversAnswered_)
        return !TakenLeftovers().empty();
    const auto name = CommandFileName();
    if (!name)
        return false;
    const auto entry = EntryStampOf(ctx_.Path(*name));
    // One still being written is looked at by a recheck.
    const bool watched = entry && seen_ && seen_->name == *name && seen_->stamp == *entry;
    return entry && !watched;
}

bool CommandLoop::Tick() {
    bool commandRead = false;
    const auto work = [&] {
        commandPath_.clear();
        takenPath_.clear();
        untaken_.reset();
        commandFileLeft_.reset();
        recheck_.reset();
        lineRead_.clear();
        tooLarge_.reset();
        ctx_.RunGuarded([&] {
            if (!leftoversAnswered_) {
                leftoversAnswered_ = true;
                if (AnswerLeftovers()) {
                    commandRead = true;
                    return;
                }
            }
            const CommandText cmd = ReadCommandFile();
            if (untaken_) {
                // Carried out without being taken, it would be carried out again at every poll.
                ctx_.LogMessage("Не удалось забрать файл команд " + commandPath_);
                DeleteFinishFile();
                commandRead = true;
                ctx_.LogError(*untaken_);
            } else if (!cmd.word.empty()) {
                ctx_.LogMessage("Прочитал команду " + cmd.word);
                DeleteFinishFile();
                commandRead = true;
                queue_.SetLastCommand(cmd.word);
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
    queue_.SetBusy(true);
    ctx_.frame.Run(FrameKind::Command, work, end);
    queue_.SetBusy(false);
    return commandRead;
}

bool CommandLoop::RunQueued() {
    if (ctx_.frame.Busy())
        return false;
    const std::shared_ptr<QueuedCommand> command = queue_.Pop();
    if (!command)
        return false;
    const std::string& folder = command->Folder();
    // The folder's answer stays the last file command's: a file client may read it right now.
    const std::vector<std::string> folderAnswer = ctx_.log.Errors();
    const auto work = [&] {
        ctx_.SetExchangeFolder(folder);
        ctx_.RunGuarded([&] {
            ctx_.log.ClearErrors();
            const CommandText cmd =
                ParseCommandLine(command->Line(), ctx_.device, ctx_.StartupKind);
            if (cmd.word.empty()) {
                ctx_.LogMessage("Прочитал команду " + command->Line());
                ctx_.LogError("В строке команды \"" + command->Line() +
                              "\" не указано слово команды. Команда не выполнена");
                return;
            }
            ctx_.LogMessage("Прочитал команду " + cmd.word + " (HTTP)");
            queue_.SetLastCommand(cmd.word);
            RunDispatch(ctx_, cmd);
        });
    };
    const CommandEnd end{[&] {
                             try {
                                 SaveAnswerLines(folder + kResultFile, ctx_.log.Errors());
                             } catch (const Failure& f) {
                                 ctx_.LogError(f.what());
                             }
                         },
                         [&] {
                             try {
                                 SaveAnswerLines(folder + kFinishFile,
                                                 {FormatDateTime(ctx_.clock.Now())});
                             } catch (const Failure& f) {
                                 ctx_.LogError(f.what());
                             }
                         }};
    queue_.SetBusy(true);
    ctx_.frame.Run(FrameKind::Command, work, end);
    ctx_.SetExchangeFolder({});
    ctx_.log.RestoreErrors(folderAnswer);
    queue_.SetBusy(false);
    try {
        command->Finish();
    } catch (const std::exception& e) {
        // Its answer has gone wrong, not the folder's: the message pane only.
        ctx_.LogMessage(e.what());
    }
    return true;
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
        // Until it is taken, the file as found is what the end of the tick may delete (also when
        // it cannot be read: its error is reported and it does not come back).
        commandFileLeft_ = EntryStampOf(path);
        std::optional<FileToEmpty> found;
        found.emplace(path, kMaxCommandFileBytes);
        commandFileLeft_ = found->Stamp();
        if (!WriterDone(*name, *found)) {
            commandFileLeft_.reset();
            return cmd;
        }
        seen_.reset();
        completed_.erase(*name);
        // The last command's answer goes before this one is taken: a client that finds its
        // cmd.ini gone must not find the last Result.txt for its own.
        ctx_.log.ClearErrors();
        DeleteFileIfExists(ctx_.Path(kResultFile));
        const std::string taken = TakenName(ctx_.Folder());
        try {
            RenameFile(path, taken);
        } catch (const Failure& f) {
            const auto first = SplitLines(DecodeFileText(found->Bytes()), 1);
            untaken_ = "Команда \"" + (first.empty() ? std::string() : first.front()) +
                       "\" не выполнена: файл команд не удалось забрать из папки (" + f.what() +
                       "). Он не будет прочитан снова, пока не изменится";
            return cmd;
        }
        // Taken: from here on the command is this tick's alone, whoever may write cmd.ini now.
        commandFileLeft_.reset();
        takenPath_ = taken;
        found.reset();
        // What was taken is read again: the file judged above, unless it was replaced meanwhile.
        const FileToEmpty file(taken, kMaxCommandFileBytes);
        const std::vector<std::string> lines = SplitLines(DecodeFileText(file.Bytes()));
        if (lines.empty())
            throw Failure("Файл команд " + path + " пуст: в нём нет ни одной строки");
        const std::string& line = lines.front();
        if (!line.empty()) {
            lineRead_ = line;
            cmd = ParseCommandLine(line, ctx_.device, ctx_.StartupKind);
        }
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

bool CommandLoop::AnswerLeftovers() {
    const std::vector<std::string> leftovers = TakenLeftovers();
    if (leftovers.empty())
        return false;
    ctx_.log.ClearErrors();
    DeleteFileIfExists(ctx_.Path(kResultFile));
    DeleteFinishFile();
    for (const std::string& name : leftovers) {
        const std::string path = ctx_.Path(name);
        std::string line;
        try {
            const FileToEmpty file(path, kMaxCommandFileBytes);
            const auto first = SplitLines(DecodeFileText(file.Bytes()), 1);
            if (!first.empty())
                line = first.front();
        } catch (const Failure&) {
            // Its text does not matter: it is reported all the same.
        }
        ctx_.LogMessage("Найдена команда, прерванная остановкой программы: " + path);
        // Run again, a receipt or a cash operation the register may have made would be made
        // twice; dropped without a word, the accounting system would never learn of it.
        ctx_.LogError("Команда \"" + line +
                      "\" была принята, но программа остановилась, не закончив её. Повторно "
                      "она не выполняется: проверьте по ККМ, выполнена ли она");
        if (!DeleteFileIfExists(path))
            ctx_.LogError("Не удалось удалить файл \"" + path + "\"");
    }
    return true;
}

std::vector<std::string> CommandLoop::TakenLeftovers() const {
    std::vector<std::string> names;
    for (const std::string& name : EntriesStartingWith(ctx_.Folder(), kTakenCommandPrefix)) {
        if (!IsFolder(ctx_.Path(name)))
            names.push_back(name);
    }
    return names;
}

void CommandLoop::SaveMarker(const std::string& name) {
    SaveLinesAtomic(ctx_.Path(name), ctx_.log.Errors());
}

void CommandLoop::DeleteCommandFile() {
    if (!takenPath_.empty()) {
        if (!DeleteFileIfExists(takenPath_))
            ctx_.LogError("Не удалось удалить файл \"" + takenPath_ + "\"");
        // Written while this command ran: it is the next command.
        if (const auto next = CommandFileName())
            ctx_.LogMessage("В " + ctx_.Path(*next) +
                            " новая команда, она будет выполнена следующей");
        return;
    }
    if (commandPath_.empty() || !commandFileLeft_)
        return;
    if (untaken_) {
        leftBehind_ = {FileNameOf(commandPath_), *commandFileLeft_};
        return;
    }
    const auto now = EntryStampOf(commandPath_);
    if (!now)
        return;
    if (!(*now == *commandFileLeft_)) {
        // Not the file this tick refused: the accounting system has written a new command
        // meanwhile. It stays and runs at the next poll.
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
