#include "http/http_door.h"

#include <httplib.h>
#include <sys/socket.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "common/failure.h"
#include "common/version.h"
#include "http/answer_store.h"
#include "http/command_desk.h"
#include "http/http_settings.h"
#include "http/openapi_document.h"

namespace orvenka {
namespace {

// Every client may wait on its command at once; more wait for a thread.
constexpr size_t kServerThreads = 16;
constexpr size_t kKeepAliveRequests = 10000;
constexpr int kListenQueue = 128;

// Compared in a time that does not depend on where the first difference is.
bool SameSecret(const std::string& a, const std::string& b) {
    unsigned char differ = a.size() == b.size() ? 0 : 1;
    for (size_t i = 0; i < a.size(); ++i)
        differ |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
    return differ == 0;
}

void Reply(httplib::Response& res, const HttpReply& reply) {
    res.status = reply.status;
    res.set_content(reply.body, "application/json; charset=utf-8");
}

class HttpDoor : public CommandDoor {
  public:
    HttpDoor(AppContext& ctx, CommandQueue& queue, HttpSettings settings, DoorFacts facts)
        : settings_(std::move(settings)),
          facts_(std::move(facts)),
          queue_(queue),
          store_(ctx.Path(kAnswerStoreFile)),
          desk_(ctx.Folder(), queue, store_, ctx.clock,
                [&ctx](const std::string& text) { return ctx.log.Stamp(text); }) {}

    ~HttpDoor() override {
        desk_.Close();
        server_.stop();
        if (thread_.joinable())
            thread_.join();
    }

    CommandDesk& Desk() { return desk_; }

    // False when the address cannot be bound.
    bool Start() {
        server_.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
        server_.set_payload_max_length(kMaxRequestBytes);
        // A client keeps its connection: one closed every few requests means connecting again,
        // and a burst of those overflows the listening queue (a lost SYN costs a second).
        server_.set_keep_alive_max_count(kKeepAliveRequests);
        server_.set_pre_routing_handler(
            [this](const httplib::Request& req, httplib::Response& res) {
                if (req.path == "/v1/openapi.json" || Authorized(req))
                    return httplib::Server::HandlerResponse::Unhandled;
                Reply(res, {401, ErrorJson("Authorization: нужен заголовок \"Authorization: Bearer "
                                           "<HttpToken>\" с ключом из настроек программы")});
                return httplib::Server::HandlerResponse::Handled;
            });
        server_.Post("/v1/commands", [this](const httplib::Request& req, httplib::Response& res) {
            Reply(res, desk_.Post(req.body));
        });
        server_.Get(R"(/v1/commands/([A-Za-z0-9._-]{1,64}))",
                    [this](const httplib::Request& req, httplib::Response& res) {
                        Reply(res, desk_.Get(req.matches[1]));
                    });
        server_.Get("/v1/status", [this](const httplib::Request&, httplib::Response& res) {
            Reply(res, {200, StatusJson()});
        });
        server_.Get("/v1/openapi.json", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(OpenApiDocument(), "application/json; charset=utf-8");
        });
        server_.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
            if (res.status == 413) {
                // The reader's own limit, in its own words: a body is refused alike however it
                // comes.
                Reply(res, {400, ErrorJson("Запрос: тело запроса больше " +
                                           std::to_string(kMaxRequestBytes) + " байт")});
            } else if (res.status == 404 && res.body.empty()) {
                Reply(res, {404, ErrorJson("Нет такого адреса: " + req.method + " " + req.path)});
            }
        });
        // The library listens with a queue of 5 connections: clients that connect at the same
        // moment beyond it lose their SYN and come a second later. The socket is remembered
        // as it is made, and its queue made longer once it listens.
        int listening = -1;
        server_.set_socket_options([&listening](socket_t sock) {
            httplib::default_socket_options(sock);
            listening = sock;
        });
        if (!server_.bind_to_port(settings_.address, settings_.port))
            return false;
        if (listening >= 0)
            ::listen(listening, kListenQueue);
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        return true;
    }

  private:
    bool Authorized(const httplib::Request& req) const {
        if (settings_.token.empty())
            return true;
        const std::string expected = "Bearer " + settings_.token;
        return req.has_header("Authorization") &&
               SameSecret(req.get_header_value("Authorization"), expected);
    }

    std::string StatusJson() const {
        const CommandQueue::State state = queue_.Snapshot();
        nlohmann::ordered_json doc;
        doc["kind"] = facts_.kind;
        doc["drivers"] = facts_.drivers;
        doc["busy"] = state.busy || !queue_.Empty();
        doc["lastCommand"] = state.lastCommand;
        doc["version"] = kOrvenkaVersion;
        return doc.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    }

    HttpSettings settings_;
    DoorFacts facts_;
    CommandQueue& queue_;
    AnswerStore store_;
    CommandDesk desk_;
    httplib::Server server_;
    std::thread thread_;
};

}  // namespace

const std::string& OpenApiDocument() {
    static const std::string document = kOpenApiJson;
    return document;
}

std::unique_ptr<CommandDoor> OpenHttpDoor(AppContext& ctx, CommandQueue& queue, DoorFacts facts) {
    HttpSettings settings;
    try {
        settings = LoadHttpSettings(ctx.SettingsPath());
    } catch (const Failure& f) {
        ctx.LogMessage(std::string("HTTP: сервер не запущен: ") + f.what());
        return nullptr;
    }
    if (!settings.enabled)
        return nullptr;
    const std::string where = settings.address + ":" + std::to_string(settings.port);
    std::unique_ptr<HttpDoor> door;
    try {
        door = std::make_unique<HttpDoor>(ctx, queue, settings, std::move(facts));
        for (const std::string& line : door->Desk().AnswerLeftovers())
            ctx.LogMessage(line);
    } catch (const Failure& f) {
        ctx.LogMessage("HTTP: сервер " + where + " не запущен: " + f.what());
        return nullptr;
    }
    if (!door->Start()) {
        ctx.LogMessage("HTTP: сервер не запущен: адрес " + where + " занят или недоступен");
        return nullptr;
    }
    ctx.LogMessage("HTTP: принимаю команды на " + where);
    return door;
}

}  // namespace orvenka
