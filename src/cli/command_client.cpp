#include "cli/command_client.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

#include "common/cp1251.h"
#include "common/failure.h"
#include "common/files.h"
#include "common/numbers.h"
#include "shell/command_loop.h"

namespace orvenka {

const char* const kClientUsageText =
    "Использование: orvenka-cmd [-d ПАПКА] [-t СЕКУНДЫ] КОМАНДА\n"
    "               orvenka-cmd check [-d ПАПКА]\n"
    "Передаёт программе Orvenka одну команду (строку файла cmd.ini, например PRINT,\n"
    "ZOTCHET или ATOL,1,XOTCHET) и ждёт её окончания (файл cmd.finish).\n"
    "  -d ПАПКА     папка программы Orvenka (по умолчанию папка orvenka-cmd)\n"
    "  -t СЕКУНДЫ   сколько ждать ответа (по умолчанию 30)\n"
    "Печатает строки Result.txt и номер документа из ResultNumCheck.txt, если команда его\n"
    "записала. Код выхода:\n"
    "  0 - команда выполнена, Result.txt пуст\n"
    "  1 - команда выполнена, в Result.txt есть ошибки\n"
    "  2 - неверные аргументы\n"
    "  3 - Orvenka не взяла команду за отведённое время; команда отозвана, её можно\n"
    "      отправить снова\n"
    "  4 - команду не удалось передать\n"
    "  5 - команда взята, но не завершилась за отведённое время; не отправляйте её снова,\n"
    "      пока не проверите ККМ\n"
    "  6 - папка занята другой командой или другим клиентом\n"
    "check: читает Param.ini, Tovar.ini и Dop.ini папки так, как их прочтёт команда чека,\n"
    "ничего не печатая, не считая и не трогая файлы, и печатает строки ошибок, сумму товаров\n"
    "и оплату. Код выхода: 0 - чек был бы напечатан, 1 - в печати было бы отказано.\n";

namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr auto kLockInterval = std::chrono::milliseconds(2);

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Orvenka takes cmd.ini in any letter case, and holds a command it has taken under a name of its
// own until the command is answered.
bool CommandFileWaiting(const std::string& folder) {
    return FileSpellingOf(folder, "cmd.ini").has_value() ||
           !EntriesStartingWith(folder, kTakenCommandPrefix).empty();
}

// Our cmd.ini is still there as we wrote it: not emptied, not deleted, not another file.
bool StillOurs(const std::string& path, const FileStamp& ours) {
    const auto now = StampOf(path);
    return now && now->device == ours.device && now->inode == ours.inode && now->size == ours.size;
}

// cmd.ini as Orvenka must find it: writable by the folder's owner and group, whoever the client
// runs as, so a service running as the folder's owner can always take it.
FileShare ShareWithFolder(const std::string& folder) {
    FileShare share;
    share.mode = 0664;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (::geteuid() == 0)
            share.owner = st.st_uid;
        share.group = st.st_gid;
    }
    return share;
}

// Takes our command back, unless Orvenka has taken it: moved away first, so that Orvenka
// cannot take it in the same instant. True when it was ours and is gone.
bool Withdraw(const std::string& cmdPath, const FileStamp& ours) {
    if (!StillOurs(cmdPath, ours))
        return false;
    const std::string away = FolderOf(cmdPath) + ".cmd.ini.withdrawn-" + std::to_string(::getpid());
    if (::rename(cmdPath.c_str(), away.c_str()) != 0)
        return false;  // taken meanwhile, or it cannot be moved: it may still be carried out
    if (StillOurs(away, ours)) {
        DeleteFileIfExists(away);
        return true;
    }
    // Another writer's command came in place of ours, which was taken: it goes back.
    if (::renameat2(AT_FDCWD, away.c_str(), AT_FDCWD, cmdPath.c_str(), RENAME_NOREPLACE) == 0)
        return false;
    // A file system without RENAME_NOREPLACE: a link cannot replace a file either. When neither
    // works the other writer's command stays under the private name rather than being lost.
    if (::link(away.c_str(), cmdPath.c_str()) == 0)
        DeleteFileIfExists(away);
    return false;
}

// The clients of one folder take turns: from writing cmd.ini until its answer has been read,
// the folder is one client's, so that no client reads the answer to another's command.
class ClientTurn {
  public:
    explicit ClientTurn(const std::string& folder) {
        const std::string path = folder + kClientLockFile;
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0)
            fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd_ < 0)
            error_ = "не удалось открыть " + path + ": " + SystemErrorText(errno);
    }
    ~ClientTurn() {
        if (fd_ >= 0)
            ::close(fd_);  // also ends the turn
    }
    const std::string& Error() const { return error_; }
    bool Wait(SteadyClock::time_point deadline) {
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                error_ = "не удалось дождаться очереди: " + SystemErrorText(errno);
                return false;
            }
            if (SteadyClock::now() > deadline)
                return false;
            std::this_thread::sleep_for(kLockInterval);
        }
        return true;
    }

  private:
    int fd_ = -1;
    std::string error_;
};

}  // namespace

const char* const kClientLockFile = ".orvenka-cmd.lock";

bool ParseClientArguments(const std::vector<std::string>& args, const std::string& defaultFolder,
                          ClientOptions& options, std::string& error) {
    options = ClientOptions{};
    options.folder = defaultFolder;
    std::vector<std::string> positional;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnd || a.empty() || a[0] != '-' || a == "-") {
            positional.push_back(a);
        } else if (a == "--") {
            optionsEnd = true;
        } else if (a == "-h" || a == "--help") {
            options.help = true;
            return true;
        } else if (a == "-d" || a == "-t") {
            if (i + 1 >= args.size()) {
                error = "после " + a + " нужно значение";
                return false;
            }
            const std::string& value = args[++i];
            if (a == "-d") {
                options.folder = value;
            } else {
                const auto seconds = ParseFloat(value);
                if (!seconds || *seconds <= 0 || *seconds > 1e6) {
                    error = "время ожидания должно быть положительным числом секунд: " + value;
                    return false;
                }
                options.timeoutSeconds = *seconds;
            }
        } else {
            error = "неизвестный ключ " + a;
            return false;
        }
    }
    if (positional.empty()) {
        error = "не указана команда";
        return false;
    }
    if (positional.size() > 1) {
        error = "лишний аргумент \"" + positional[1] +
                "\": строку команды с пробелами заключите в кавычки";
        return false;
    }
    if (positional[0] == "check" && positional.size() == 1 && !optionsEnd) {
        options.check = true;
    }
    options.commandLine = positional[0];
    if (options.commandLine.find_first_of("\r\n") != std::string::npos) {
        error = "команда должна быть одной строкой";
        return false;
    }
    if (options.commandLine.find_first_not_of(' ') == std::string::npos) {
        error = "команда пуста";
        return false;
    }
    if (options.folder.empty())
        options.folder = "./";
    if (options.folder.back() != '/')
        options.folder += '/';
    return true;
}

int RunCommandClient(const ClientOptions& options, std::ostream& out, std::ostream& err) {
    const std::string& folder = options.folder;
    const std::string cmdPath = folder + "cmd.ini";
    const std::string finishPath = folder + "cmd.finish";
    const std::string resultPath = folder + "Result.txt";
    const std::string numberPath = folder + "ResultNumCheck.txt";
    const auto deadline =
        SteadyClock::now() + std::chrono::duration_cast<SteadyClock::duration>(
                                 std::chrono::duration<double>(options.timeoutSeconds));

    if (!IsFolder(folder)) {
        err << "orvenka-cmd: папка " << folder << " не найдена\n";
        return kClientUsage;
    }
    const std::string written = Utf8ToCp1251(options.commandLine) + "\r\n";
    if (Cp1251ToUtf8(written) != options.commandLine + "\r\n") {
        err << "orvenka-cmd: в команде есть знаки, которых нет в кодировке Windows-1251\n";
        return kClientUsage;
    }

    ClientTurn turn(folder);
    if (!turn.Error().empty()) {
        err << "orvenka-cmd: " << turn.Error() << "\n";
        return kClientFileError;
    }
    if (!turn.Wait(deadline)) {
        if (!turn.Error().empty()) {
            err << "orvenka-cmd: " << turn.Error() << "\n";
            return kClientFileError;
        }
        err << "orvenka-cmd: Orvenka занята: другой клиент ждёт ответа на свою команду в " << folder
            << "\n";
        return kClientBusy;
    }

    // A cmd.ini still there is a command Orvenka has not finished: ours would be answered by
    // its cmd.finish. And ours never replaces one written meanwhile by someone else.
    std::optional<FileStamp> ours;
    std::optional<FileStamp> numberBefore;
    while (!ours) {
        while (CommandFileWaiting(folder)) {
            if (SteadyClock::now() > deadline) {
                err << "orvenka-cmd: Orvenka занята: в " << folder
                    << " всё ещё лежит cmd.ini предыдущей команды или она ещё выполняется\n";
                return kClientBusy;
            }
            std::this_thread::sleep_for(kPollInterval);
        }
        if (!DeleteFileIfExists(finishPath)) {
            err << "orvenka-cmd: не удалось удалить старый " << finishPath << "\n";
            return kClientFileError;
        }
        numberBefore = StampOf(numberPath);
        try {
            ours = CreateFileBytesExclusive(cmdPath, written, ShareWithFolder(folder));
        } catch (const Failure& f) {
            err << "orvenka-cmd: " << f.what() << "\n";
            return kClientFileError;
        }
    }

    // A cmd.finish seen before Orvenka took our command belongs to the command before it; so
    // may one seen just after (Orvenka deletes it right after taking ours). Result.txt tells:
    // Orvenka deletes it before it takes a command and writes it, complete, at the end.
    std::optional<FileStamp> earlierFinish;
    bool taken = false;
    for (;;) {
        taken = taken || !StillOurs(cmdPath, *ours);
        const auto finish = StampOf(finishPath);
        if (finish) {
            if (!taken) {
                earlierFinish = finish;
            } else if (!(earlierFinish && *finish == *earlierFinish) && FileExists(resultPath)) {
                break;
            }
        }
        if (SteadyClock::now() > deadline) {
            if (!taken && Withdraw(cmdPath, *ours)) {
                err << "orvenka-cmd: Orvenka не взяла команду за "
                    << FormatGeneral(options.timeoutSeconds)
                    << " с; команда отозвана (cmd.ini удалён), её можно отправить снова. Запущена "
                       "ли Orvenka с папкой "
                    << folder << "?\n";
                return kClientWithdrawn;
            }
            err << "orvenka-cmd: команда принята, но не завершилась за "
                << FormatGeneral(options.timeoutSeconds) << " с; её итог будет в " << resultPath
                << ". Не отправляйте её снова, пока не проверите ККМ\n";
            return kClientUnfinished;
        }
        std::this_thread::sleep_for(kPollInterval);
    }

    std::string result;
    try {
        result = ReadFileBytes(resultPath);
    } catch (const Failure& f) {
        err << "orvenka-cmd: нет ответа Orvenka: " << f.what() << "\n";
        return kClientErrors;
    }
    for (const std::string& line : SplitLines(DecodeFileText(result)))
        out << line << "\n";
    const auto numberAfter = StampOf(numberPath);
    if (numberAfter && !(numberBefore && *numberAfter == *numberBefore)) {
        try {
            for (const std::string& line : LoadLines(numberPath)) {
                out << "ResultNumCheck.txt: " << line << "\n";
            }
        } catch (const Failure& f) {
            err << "orvenka-cmd: " << f.what() << "\n";
        }
    }
    return result.empty() ? kClientOk : kClientErrors;
}

}  // namespace orvenka
