// The HTTP door from an integrator's side: the real program on the simulated Shtrih-M register
// with HttpListen= in its settings, a real HTTP client, and the register's tape to tell what was
// printed.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "common/files.h"
#include "program_under_test.h"
#include "register_e2e.h"

namespace orvenka::test {
namespace {

using nlohmann::json;
const Millis kWait(30000);
const char* const kToken = "s3cret-token";

json Receipt(const std::string& id, const std::string& documStr, bool withOplata = true) {
    json param = {{"SNO", "OSN"}, {"VERSION_FFD", "1.05"}, {"DocumStr", documStr}};
    if (withOplata)
        param["Oplata"] = "";
    return {{"id", id},
            {"command", "PRINT"},
            {"param", param},
            {"goods",
             {{{"name", "Хлеб бородинский"}, {"quantity", 2.5}, {"price", 45.5}, {"vat", 10}}}}};
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

struct Reply {
    int status = 0;
    json body;
};

class HttpE2E : public ::testing::Test {
  protected:
    HttpE2E() : port_(FreeLoopbackPort()) {
        p.Folder().Write(p.SettingsName(), "HttpListen=127.0.0.1:" + std::to_string(port_) +
                                               "\r\nHttpToken=" + kToken +
                                               "\r\nAtolDriver=AUTO\r\n");
    }

    ChildProcess& Start() {
        ChildProcess& app =
            p.Start({"/SHTRIH"}, {"CUPS_SERVER=/nonexistent/orvenka-e2e/cups.sock"});
        if (!app.WaitForStderr("HTTP: принимаю команды", kWait))
            throw std::runtime_error("the door did not open:\n" + app.Stderr());
        return app;
    }
    void Stop(ChildProcess& app) {
        app.Terminate();
        ASSERT_EQ(app.WaitForExit(kWait), 0);
    }

    Reply Call(const std::string& method, const std::string& path, const std::string& body = "",
               const std::string& token = kToken) {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(std::chrono::seconds(30));
        httplib::Headers headers;
        if (!token.empty())
            headers.emplace("Authorization", "Bearer " + token);
        const httplib::Result res = method == "POST"
                                        ? client.Post(path, headers, body, "application/json")
                                        : client.Get(path, headers);
        if (!res)
            return {-1, json{{"error", httplib::to_string(res.error())}}};
        return {res->status, json::parse(res->body, nullptr, false)};
    }
    Reply Post(const json& body, const std::string& token = kToken) {
        return Call("POST", "/v1/commands", body.dump(), token);
    }
    std::string Tape() const { return p.Folder().Read("DrvFR.sim.tape.txt"); }

    ProgramUnderTest p;
    int port_;
};

TEST_F(HttpE2E, AnswersOfTheDoorFromSuccessToEveryRefusal) {
    Start();
    const Reply sale = Post(Receipt("sale-1", "Д-1"));
    ASSERT_EQ(sale.status, 200) << sale.body.dump();
    EXPECT_EQ(sale.body["id"], "sale-1");
    EXPECT_EQ(sale.body["errors"], json::array());
    ASSERT_TRUE(sale.body["documentNumber"].is_number_integer()) << sale.body.dump();
    EXPECT_GT(sale.body["documentNumber"].get<int>(), 0);
    EXPECT_NE(sale.body["finishedAt"].get<std::string>().find('T'), std::string::npos);
    EXPECT_EQ(Count(Tape(), "КАССОВЫЙ ЧЕК ПРИХОД"), 1u);
    EXPECT_NE(Tape().find("Хлеб бородинский"), std::string::npos);
    // Nothing of it in the folder's answer files or incoming files.
    for (const char* name : {"Result.txt", "cmd.finish", "ResultNumCheck.txt", "Tovar.oldini"})
        EXPECT_FALSE(p.Folder().Exists(name)) << name;

    struct Row {
        std::string method, path, body, token;
        int status;
        std::string text;  // in the error, or the first error line
    };
    const std::string big(8 * 1024 * 1024 + 1, ' ');
    const std::vector<Row> rows = {
        {"POST", "/v1/commands", Receipt("no-oplata", "Д-2", false).dump(), kToken, 200,
         "Не указан обязательный параметр Oplata"},
        {"POST", "/v1/commands", R"({"id":"x1","command":"XOTCHET","colour":1})", kToken, 400,
         "colour"},
        {"POST", "/v1/commands", R"({"id":"x2","command":"XOTCHET","logicalDevice":"two"})", kToken,
         400, "logicalDevice"},
        {"POST", "/v1/commands", R"({"id":"x3", "command": )", kToken, 400, ""},
        {"POST", "/v1/commands", big, kToken, 400, "8388608"},
        {"POST", "/v1/commands", Receipt("sale-1", "Д-1 другой").dump(), kToken, 409, "sale-1"},
        {"POST", "/v1/commands", Receipt("x4", "Д-4").dump(), "", 401, "Authorization"},
        {"POST", "/v1/commands", Receipt("x5", "Д-5").dump(), "wrong", 401, "Authorization"},
        {"GET", "/v1/status", "", "wrong", 401, "Authorization"},
        {"GET", "/v1/commands/never-sent", "", kToken, 404, "never-sent"},
        {"GET", "/v1/nowhere", "", kToken, 404, "/v1/nowhere"},
    };
    for (const Row& row : rows) {
        const Reply r = Call(row.method, row.path, row.body, row.token);
        EXPECT_EQ(r.status, row.status) << row.path << " " << row.body.substr(0, 80);
        const std::string text = r.status == 200 ? r.body["errors"].dump() : r.body["error"].dump();
        EXPECT_NE(text.find(row.text), std::string::npos) << text;
    }
    // None of the refused ones reached the register; the one the Param.ini reader refused did
    // not print either.
    EXPECT_EQ(Count(Tape(), "КАССОВЫЙ ЧЕК ПРИХОД"), 1u);

    const Reply status = Call("GET", "/v1/status");
    ASSERT_EQ(status.status, 200);
    EXPECT_EQ(status.body["kind"], "SHTRIH");
    EXPECT_EQ(status.body["drivers"]["SHTRIH"], "simulator");
    // The library AUTO leads to, not the setting.
    const std::string atol = status.body["drivers"]["ATOL"].get<std::string>();
    EXPECT_NE(atol, "AUTO");
    EXPECT_EQ(FileNameOf(atol), "libfptr10.so") << atol;
    EXPECT_EQ(status.body["busy"], false);
    EXPECT_EQ(status.body["lastCommand"], "PRINT");
    EXPECT_FALSE(status.body["version"].get<std::string>().empty());

    // The document served is the one in the repository, without a token.
    const Reply doc = Call("GET", "/v1/openapi.json", "", "");
    ASSERT_EQ(doc.status, 200);
    std::ifstream file(ORVENKA_SOURCE_DIR "/docs/openapi.json");
    EXPECT_EQ(doc.body, json::parse(file));
}

TEST_F(HttpE2E, ResendIsAnsweredFromTheJournalAlsoAfterARestartAndPrintsOnce) {
    ChildProcess& first = Start();
    const json body = Receipt("order-77", "Заказ 77");
    const Reply answer = Post(body);
    ASSERT_EQ(answer.status, 200) << answer.body.dump();
    ASSERT_EQ(answer.body["errors"], json::array());
    // The same request in another spelling (field order, blanks) is the same request.
    json reordered = json::object();
    for (auto it = body.rbegin(); it != body.rend(); ++it)
        reordered[it.key()] = it.value();
    for (const std::string& again : {body.dump(), reordered.dump(2)}) {
        const Reply r = Call("POST", "/v1/commands", again);
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(r.body, answer.body);
    }
    EXPECT_EQ(Count(Tape(), "КАССОВЫЙ ЧЕК ПРИХОД"), 1u);
    Stop(first);

    Start();
    EXPECT_EQ(Post(body).body, answer.body);
    const Reply stored = Call("GET", "/v1/commands/order-77");
    EXPECT_EQ(stored.status, 200);
    EXPECT_EQ(stored.body, answer.body);
    EXPECT_EQ(Post(Receipt("order-77", "Заказ 78")).status, 409);
    EXPECT_EQ(Count(Tape(), "КАССОВЫЙ ЧЕК ПРИХОД"), 1u);
}

TEST_F(HttpE2E, ACommandAcceptedByARunThatDiedIsAnsweredAndNotCarriedOutAgain) {
    // What a run killed in the middle of a receipt leaves: the command's folder with its
    // request, and a half-made folder of a request never accepted.
    const std::string dir = p.File(".http/4242-1/");
    std::filesystem::create_directories(dir);
    std::filesystem::create_directories(p.File(".http/.new-4242-2"));
    const json request = {{"id", "killed-1"}, {"request", "abc"}, {"line", "PRINT"}};
    std::ofstream(dir + "request.json") << request.dump();
    p.Folder().Write(".http/4242-1/Param.ini", "Oplata=\r\nDocumStr=Д-9\r\n");
    p.Folder().Write(".http/4242-1/Tovar.ini", "Хлеб\r\n1\r\n10\r\n0\r\n");

    Start();
    const Reply r = Call("GET", "/v1/commands/killed-1");
    ASSERT_EQ(r.status, 200) << r.body.dump();
    ASSERT_EQ(r.body["errors"].size(), 1u);
    EXPECT_NE(r.body["errors"][0].get<std::string>().find("программа остановилась"),
              std::string::npos);
    EXPECT_EQ(r.body["documentNumber"], nullptr);
    EXPECT_EQ(Count(Tape(), "КАССОВЫЙ ЧЕК"), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir));
    EXPECT_FALSE(std::filesystem::exists(p.File(".http/.new-4242-2")));
}

TEST_F(HttpE2E, FileCommandsAndHttpCommandsAtOnceEachGetTheirOwnAnswer) {
    Start();
    for (int round = 0; round < 4; ++round) {
        const std::string n = std::to_string(round);
        // The file client's receipt succeeds, the HTTP one is refused by the Param.ini reader,
        // or the other way round: each must read its own answer.
        const bool fileFails = round % 2 == 1;
        p.Folder().Write("Param.ini", std::string(fileFails ? "" : "Oplata=\r\n") +
                                          "SNO=OSN\r\nDocumStr=Ф-" + n + "\r\n");
        p.Folder().Write("Tovar.ini", "Файловый товар\r\n1\r\n10\r\n0\r\n");
        Reply http;
        std::thread client([&] { http = Post(Receipt("mixed-" + n, "Н-" + n, fileFails)); });
        const std::vector<std::string> fileAnswer = SendCommand(p, "PRINT");
        client.join();
        ASSERT_EQ(http.status, 200) << http.body.dump();
        if (fileFails) {
            ASSERT_EQ(fileAnswer.size(), 1u);
            EXPECT_NE(fileAnswer[0].find("Oplata"), std::string::npos) << fileAnswer[0];
            EXPECT_EQ(http.body["errors"], json::array());
        } else {
            EXPECT_EQ(fileAnswer, std::vector<std::string>{});
            ASSERT_EQ(http.body["errors"].size(), 1u) << http.body.dump();
            EXPECT_NE(http.body["errors"][0].get<std::string>().find("Oplata"), std::string::npos);
            EXPECT_EQ(http.body["documentNumber"], nullptr);
        }
    }
    const std::string tape = Tape();
    EXPECT_EQ(Count(tape, "КАССОВЫЙ ЧЕК ПРИХОД"), 4u);
    EXPECT_EQ(Count(tape, "Файловый товар"), 2u);
    EXPECT_EQ(Count(tape, "Хлеб бородинский"), 2u);
}

TEST(HttpE2ESettings, AWrongSettingOpensNoDoorAndTheFilesWorkOn) {
    // A port taken by someone else.
    const int taken = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    ASSERT_EQ(::getsockname(taken, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    const int takenPort = ntohs(addr.sin_port);
    const int port = FreeLoopbackPort();
    struct Row {
        std::string settings;
        int port;
    };
    const std::vector<Row> rows = {
        {"HttpListen=0.0.0.0:" + std::to_string(port) + "\r\n", port},  // the network, no token
        {"HttpListen=127.0.0.1:" + std::to_string(port) + "0000\r\n", port},
        {"HttpListen=127.0.0.1:" + std::to_string(takenPort) + "\r\n", takenPort},
    };
    for (const Row& row : rows) {
        ProgramUnderTest p;
        p.Folder().Write(p.SettingsName(), row.settings);
        ChildProcess& app = p.Start({"/SHTRIH"});
        ASSERT_TRUE(app.WaitForStderr(ProgramUnderTest::kPollingLine, kWait)) << app.Stderr();
        EXPECT_TRUE(app.WaitForStderr("HTTP: сервер не запущен", kWait)) << row.settings;
        if (row.port != takenPort) {
            httplib::Client client("127.0.0.1", row.port);
            EXPECT_FALSE(client.Get("/v1/status")) << row.settings;
        }
        EXPECT_EQ(SendCommand(p, "XOTCHET"), std::vector<std::string>{}) << row.settings;
    }
    ::close(taken);
}

}  // namespace
}  // namespace orvenka::test
