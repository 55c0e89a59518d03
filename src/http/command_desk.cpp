#include "http/command_desk.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "common/cp1251.h"
#include "common/failure.h"
#include "common/files.h"
#include "http/command_answer.h"

namespace orvenka {
namespace {

using nlohmann::json;

const char* const kRequestFile = "request.json";
const char* const kNewPrefix = ".new-";
// Far beyond any error pane; a larger file is no answer of the loop's.
constexpr uint64_t kMaxAnswerFileBytes = 16 * 1024 * 1024;
constexpr auto kWaitSlice = std::chrono::milliseconds(100);

void RemoveFolder(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

// A line that would not keep its text in a Windows-1251 file is refused, not printed with "?".
void RefuseWithoutCp1251(const std::string& file, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (const auto cp = FirstWithoutCp1251(line)) {
            throw Failure("Запрос: строка \"" + line + "\" для " + file + ": символ " +
                          CodePointName(*cp) + " не записывается в Windows-1251");
        }
    }
}

std::string LeftoverText(const std::string& line) {
    return "Команда \"" + line +
           "\" была принята, но программа остановилась, не закончив её. Повторно она не "
           "выполняется: проверьте по ККМ, выполнена ли она";
}

}  // namespace

std::string ErrorJson(const std::string& text) {
    return json{{"error", text}}.dump(-1, ' ', false, json::error_handler_t::replace);
}

CommandDesk::CommandDesk(std::string folder, CommandQueue& queue, AnswerStore& store, Clock& clock,
                         std::function<std::string(const std::string&)> stamp)
    : folder_(std::move(folder)),
      exchange_(folder_ + kHttpExchangeFolder + "/"),
      queue_(queue),
      store_(store),
      clock_(clock),
      stamp_(std::move(stamp)) {}

std::vector<std::string> CommandDesk::AnswerLeftovers() {
    std::vector<std::string> log;
    const std::string base = exchange_.substr(0, exchange_.size() - 1);
    struct stat st {};
    if (::lstat(base.c_str(), &st) != 0) {
        if (::mkdir(base.c_str(), 0700) != 0 && errno != EEXIST)
            throw Failure("Не удалось создать папку " + base + ": " + SystemErrorText(errno));
        return log;
    }
    // Written through a link, a request's goods would land where someone else decides.
    if (!S_ISDIR(st.st_mode))
        throw Failure("Папка " + base + ": на её месте не папка (ссылка или файл)");
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(base, ec)) {
        const std::string name = entry.path().filename().string();
        const std::string path = entry.path().string();
        if (name.rfind(kNewPrefix, 0) == 0) {
            RemoveFolder(path);  // never accepted: its client was never told it was taken
            continue;
        }
        try {
            const json request = json::parse(ReadFileBytes(path + "/" + kRequestFile, 1 << 20));
            const std::string id = request.at("id").get<std::string>();
            const std::string hash = request.at("request").get<std::string>();
            const std::string line = request.at("line").get<std::string>();
            if (!store_.Answer(id)) {
                log.push_back("Найдена команда HTTP, прерванная остановкой программы: " + path);
                const CommandAnswer answer{id,
                                           {stamp_(LeftoverText(line))},
                                           std::nullopt,
                                           FormatIso8601(clock_.Now(), LocalUtcOffsetMinutes())};
                store_.Put(id, hash, AnswerJson(answer));
            }
        } catch (const Failure& f) {
            log.push_back("Папка команды HTTP " + path + " не разобрана: " + f.what());
        } catch (const std::exception& e) {
            log.push_back("Папка команды HTTP " + path + " не разобрана: " + e.what());
        }
        RemoveFolder(path);
    }
    return log;
}

std::string CommandDesk::WriteExchange(const CommandRequest& request, const std::string& hash) {
    const std::string line = CommandLineOf(request);
    RefuseWithoutCp1251("cmd.ini", {line});
    if (request.paramLines)
        RefuseWithoutCp1251("Param.ini", *request.paramLines);
    if (request.goodsLines)
        RefuseWithoutCp1251("Tovar.ini", *request.goodsLines);
    if (request.extraLines)
        RefuseWithoutCp1251("Dop.ini", *request.extraLines);

    const std::string name = std::to_string(::getpid()) + "-" + std::to_string(++sequence_);
    const std::string fresh = exchange_ + kNewPrefix + name;
    const std::string done = exchange_ + name;
    if (::mkdir(fresh.c_str(), 0700) != 0)
        throw Failure("Не удалось создать папку " + fresh + ": " + SystemErrorText(errno));
    try {
        const std::string dir = fresh + "/";
        if (request.paramLines)
            SaveLines(dir + "Param.ini", *request.paramLines);
        if (request.goodsLines)
            SaveLines(dir + "Tovar.ini", *request.goodsLines);
        if (request.extraLines)
            SaveLines(dir + "Dop.ini", *request.extraLines);
        // On the disk before the folder gets its name: once it has it, a crash leaves a command
        // that the next start answers under its id instead of carrying it out again.
        CreateFileBytesSynced(dir + kRequestFile,
                              json{{"id", request.id}, {"request", hash}, {"line", line}}.dump());
        RenameFile(fresh, done);
        SyncFolder(exchange_);
    } catch (...) {
        RemoveFolder(fresh);
        throw;
    }
    return done + "/";
}

HttpReply CommandDesk::Post(const std::string& body) {
    CommandRequest request;
    try {
        request = ReadCommandRequest(body);
    } catch (const Failure& f) {
        return {400, ErrorJson(f.what())};
    }
    const std::string hash = RequestHash(request.canonical);
    std::shared_ptr<QueuedCommand> command;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto stored = unstored_.find(request.id);
        AnswerStore::Found found;
        if (stored != unstored_.end()) {
            found.match = stored->second.first == hash ? AnswerStore::Match::Same
                                                       : AnswerStore::Match::Conflict;
            found.answer = stored->second.second;
        } else {
            found = store_.Look(request.id, hash);
        }
        const auto running = running_.find(request.id);
        if (found.match == AnswerStore::Match::New && running != running_.end())
            found.match = running->second.hash == hash ? AnswerStore::Match::Same
                                                       : AnswerStore::Match::Conflict;
        switch (found.match) {
            case AnswerStore::Match::Conflict:
                return {409, ErrorJson("id: запрос с id \"" + request.id +
                                       "\" уже был, и его тело было другим")};
            case AnswerStore::Match::Same:
                if (running == running_.end())
                    return {200, found.answer};
                command = running->second.command;
                break;
            case AnswerStore::Match::New: {
                if (closed_)
                    return {503, ErrorJson("Программа завершает работу: команда не принята")};
                std::string folder;
                try {
                    folder = WriteExchange(request, hash);
                } catch (const Failure& f) {
                    const std::string text = f.what();
                    if (text.rfind("Запрос:", 0) == 0)
                        return {400, ErrorJson(text)};
                    return {500, ErrorJson("Команда не принята: " + text)};
                }
                const std::string id = request.id;
                command = std::make_shared<QueuedCommand>(
                    CommandLineOf(request), folder,
                    [this, id, hash, folder] { Finished(id, hash, folder); });
                running_[id] = {hash, command};
                queue_.Push(command);
                break;
            }
        }
    }
    return Wait(request.id, *command, request.waitSeconds);
}

HttpReply CommandDesk::Wait(const std::string& id, const QueuedCommand& command,
                            int seconds) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (true) {
        const auto left = until - std::chrono::steady_clock::now();
        const auto slice = std::min<std::chrono::steady_clock::duration>(left, kWaitSlice);
        if (command.WaitFor(std::chrono::duration_cast<std::chrono::milliseconds>(
                std::max<std::chrono::steady_clock::duration>(slice, {}))))
            break;
        const std::lock_guard<std::mutex> lock(mutex_);
        if (closed_ || std::chrono::steady_clock::now() >= until)
            return {202, json{{"id", id}, {"running", true}}.dump()};
    }
    if (const auto answer = AnswerOf(id))
        return {200, *answer};
    return {500, ErrorJson("Ответ команды \"" + id + "\" потерян")};
}

std::optional<std::string> CommandDesk::AnswerOf(const std::string& id) const {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (const auto it = unstored_.find(id); it != unstored_.end())
            return it->second.second;
    }
    return store_.Answer(id);
}

HttpReply CommandDesk::Get(const std::string& id) const {
    if (const auto answer = AnswerOf(id))
        return {200, *answer};
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (running_.count(id))
            return {202, json{{"id", id}, {"running", true}}.dump()};
    }
    return {404, ErrorJson("Команды с id \"" + id + "\" нет")};
}

void CommandDesk::Finished(const std::string& id, const std::string& hash,
                           const std::string& folder) {
    std::string answer;
    try {
        const std::string result = ReadFileBytes(folder + "Result.txt", kMaxAnswerFileBytes);
        std::optional<std::string> number;
        if (FileExists(folder + "ResultNumCheck.txt"))
            number = ReadFileBytes(folder + "ResultNumCheck.txt", kMaxAnswerFileBytes);
        answer =
            AnswerJson(AnswerFromFiles(id, result, number, clock_.Now(), LocalUtcOffsetMinutes()));
    } catch (const Failure& f) {
        answer = AnswerJson({id,
                             {stamp_(std::string("Ответ команды не прочитан: ") + f.what())},
                             std::nullopt,
                             FormatIso8601(clock_.Now(), LocalUtcOffsetMinutes())});
    }
    bool stored = true;
    try {
        store_.Put(id, hash, answer);
    } catch (const Failure&) {
        stored = false;
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!stored)
            unstored_[id] = {hash, answer};
        running_.erase(id);
    }
    // Kept until the answer is: a crash before this point answers it at the next start, and so
    // does the next start when the answer could not be kept, rather than carry it out again.
    if (stored)
        RemoveFolder(folder);
}

void CommandDesk::Close() {
    const std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
}

}  // namespace orvenka
