#pragma once
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "http/answer_store.h"
#include "http/command_request.h"
#include "shell/command_queue.h"

// The HTTP door's commands, without the transport: a request read, answered from the store when
// it was answered before, or handed to the command loop with a private exchange folder of its
// own, waited for, and its answer kept before anyone is told it.
namespace orvenka {

// The private exchange folders live here, inside the working folder.
inline constexpr const char* kHttpExchangeFolder = ".http";

struct HttpReply {
    int status = 200;
    std::string body;  // JSON
};

// {"error": text}
std::string ErrorJson(const std::string& text);

class CommandDesk {
  public:
    // `folder` is the working folder (ending in "/"). `stamp` makes an error line of a text as
    // the event log writes it; `clock` gives the end time of a command. The store, the stamp
    // and the clock are used on the loop's thread only, except for the store's lookups.
    CommandDesk(std::string folder, CommandQueue& queue, AnswerStore& store, Clock& clock,
                std::function<std::string(const std::string&)> stamp);

    // Before the door opens: the exchange folders a run left behind. A command that was handed
    // over but has no answer is answered with an error line and never carried out again (the
    // register may have made its receipt); half-written ones, never accepted, go. Answers the
    // lines for the message log. Raises Failure when the exchange folder cannot be made.
    std::vector<std::string> AnswerLeftovers();

    // Any thread.
    HttpReply Post(const std::string& body);
    HttpReply Get(const std::string& id) const;
    // Waits end at once (202) from now on.
    void Close();

  private:
    struct Running {
        std::string hash;
        std::shared_ptr<QueuedCommand> command;
    };
    std::string WriteExchange(const CommandRequest& request, const std::string& hash);
    void Finished(const std::string& id, const std::string& hash, const std::string& folder);
    HttpReply Wait(const std::string& id, const QueuedCommand& command, int seconds) const;
    std::optional<std::string> AnswerOf(const std::string& id) const;

    std::string folder_;
    std::string exchange_;  // folder_ + ".http/"
    CommandQueue& queue_;
    AnswerStore& store_;
    Clock& clock_;
    std::function<std::string(const std::string&)> stamp_;

    mutable std::mutex mutex_;
    bool closed_ = false;
    std::map<std::string, Running> running_;
    // Answers the store could not keep (a full disk): still given to whoever asks in this run.
    std::map<std::string, std::pair<std::string, std::string>> unstored_;
    uint64_t sequence_ = 0;
};

}  // namespace orvenka
