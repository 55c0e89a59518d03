#include "shell/command_loop.h"

#include <chrono>
#include <exception>

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "shell/dispatch.h"

namespace orvenka {
namespace {

const char* const kCommandFile = "cmd.ini";
const char* const kFinishFile = "cmd.finish";
const char* const kResultFile = "Result.txt";
const char* const kCommandMarker = "Не смог удалить CMD.ini";
const char* const kFinishMarker = "Не смог удалить CMD.Finish";
constexpr int kFinishRounds = 1001;

// A command file without a single line that is younger than this is taken to be still being
// written (the folder watch may wake us between its creation and its first write); it is left
// for the next poll instead of being reported and deleted.
constexpr int64_t kFreshEmptyFileNs = 2'000'000'000;

bool JustWritten(int64_t mtimeNs) {
    const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    const int64_t age = now - mtimeNs;
    return age > -kFreshEmptyFileNs && age < kFreshEmptyFileNs;
}

}  // namespace

CommandLoop::CommandLoop(AppContext& ctx) : ctx_(ctx) {}

bool CommandLoop::Tick() {
    bool commandRead = false;
    const auto work = [&] {
        commandFileLeft_.reset();
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

CommandText CommandLoop::ReadCommandFile() {
    CommandText cmd;
    const std::string path = ctx_.Path(kCommandFile);
    if (!FileExists(path))
        return cmd;
    try {
        // Until the file is emptied, the file as found is what the end of the tick may delete
        // (also when it cannot be read: its error is reported and it does not come back).
        commandFileLeft_ = StampOf(path);
        if (commandFileLeft_ &&
            static_cast<uint64_t>(commandFileLeft_->size) > kMaxCommandFileBytes) {
            ctx_.log.ClearErrors();
            DeleteFileIfExists(ctx_.Path(kResultFile));
            tooLarge_ = static_cast<uint64_t>(commandFileLeft_->size);
            SaveLines(path, {});
            commandFileLeft_ = StampOf(path);
            return cmd;
        }
        const std::vector<std::string> lines = LoadLines(path, kMaxCommandFileBytes);
        if (lines.empty()) {
            if (commandFileLeft_ && JustWritten(commandFileLeft_->mtimeNs)) {
                commandFileLeft_.reset();
                return cmd;
            }
            throw Failure("Файл команд " + path + " пуст: в нём нет ни одной строки");
        }
        const std::string& line = lines.front();
        if (!line.empty()) {
            ctx_.log.ClearErrors();
            DeleteFileIfExists(ctx_.Path(kResultFile));
            lineRead_ = line;
            cmd = ParseCommandLine(line, ctx_.device, ctx_.StartupKind);
        }
        SaveLines(path, {});
        commandFileLeft_ = StampOf(path);
    } catch (const Failure& f) {
        ctx_.LogError(f.what());
    }
    return cmd;
}

void CommandLoop::SaveMarker(const std::string& name) {
    SaveLinesAtomic(ctx_.Path(name), ctx_.log.Errors());
}

void CommandLoop::DeleteCommandFile() {
    const std::string path = ctx_.Path(kCommandFile);
    const auto now = StampOf(path);
    if (!now)
        return;
    if (!commandFileLeft_ || !(*now == *commandFileLeft_)) {
        // Not the file this tick emptied: the accounting system has written a new command while
        // the last one ran. It stays and runs at the next poll.
        if (commandFileLeft_)
            ctx_.LogMessage("В " + path + " новая команда, она будет выполнена следующей");
        return;
    }
    if (!DeleteFileIfExists(path))
        SaveMarker(kCommandMarker);
}

void CommandLoop::WriteResultFile() {
    try {
        DeleteCommandFile();
    } catch (const Failure& f) {
        ctx_.LogError(f.what());
    }
    try {
        SaveLinesAtomic(ctx_.Path(kResultFile), ctx_.log.Errors());
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
                SaveLinesAtomic(path, {text});
                return;
            }
            SaveMarker(kFinishMarker);
        }
    } catch (const Failure& f) {
        ctx_.LogError(f.what());
    }
}

}  // namespace orvenka
