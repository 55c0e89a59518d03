// The HTTP door of the real program (offscreen, /EMUL) under 8 concurrent clients: 1,000
// commands that need no device (OPENSESSION: the emulator has no shift to open and answers at
// once), each under an id of its own, then every one of them sent again, then a tenth as many
// emulated sale receipts with no print server to reach. Checks that none is lost, none carried
// out twice and each answer is its own request's; prints requests per second and the latency
// percentiles of each round.
// Usage: http_bench [requests=1000] [clients=8]
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "program_under_test.h"

using namespace orvenka::test;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kToken = "bench-token";

double Percentile(const std::vector<double>& sorted, double q) {
    const size_t i = static_cast<size_t>(q * double(sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

struct Round {
    std::vector<double> ms;
    std::vector<std::string> answerIds;  // by request number
    std::vector<std::string> bodies;
    int failures = 0;
    double seconds = 0;
};

// A command that needs no device, or an emulated sale receipt whose printing fails at once
// (no print server can be reached: the answer names the printer, the text is kept).
nlohmann::json Request(const std::string& id, bool receipt) {
    if (!receipt)
        return {{"id", id}, {"command", "OPENSESSION"}};
    return {{"id", id},
            {"command", "PRINT"},
            {"param",
             {{"Oplata", ""},
              {"SNO", "OSN"},
              {"DocumStr", id},
              {"Fiscal", "-"},
              {"ZN", "0012345"},
              {"PRN_WIDHT", 40},
              {"PRN_WIDHT_ITOG", 20}}},
            {"goods", {{{"name", "Хлеб"}, {"quantity", 1}, {"price", 30}, {"vat", 10}}}}};
}

// Every client sends its share of the requests one after another on its own connection.
Round Send(int port, int requests, int clients, const std::string& prefix, bool receipt) {
    Round r;
    r.ms.resize(requests);
    r.answerIds.resize(requests);
    r.bodies.resize(requests);
    std::atomic<int> next{0};
    std::mutex failed;
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&] {
            httplib::Client client("127.0.0.1", port);
            client.set_read_timeout(std::chrono::seconds(60));
            const httplib::Headers headers{{"Authorization", std::string("Bearer ") + kToken}};
            for (int i = next++; i < requests; i = next++) {
                const std::string body = Request(prefix + std::to_string(i), receipt).dump();
                const auto t0 = Clock::now();
                const auto res = client.Post("/v1/commands", headers, body, "application/json");
                r.ms[i] = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                if (!res || res->status != 200) {
                    const std::lock_guard<std::mutex> lock(failed);
                    ++r.failures;
                    continue;
                }
                r.bodies[i] = res->body;
                const auto answer = nlohmann::json::parse(res->body, nullptr, false);
                // A receipt fails to print; a command that needs no device succeeds.
                if (answer.is_object() && answer["id"].is_string() && answer["errors"].is_array() &&
                    answer["errors"].empty() != receipt)
                    r.answerIds[i] = answer["id"].get<std::string>();
            }
        });
    }
    for (auto& t : threads)
        t.join();
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return r;
}

// Requests whose answer is not their own (or not the outcome expected): should be 0.
int WrongAnswers(const Round& r, const std::string& prefix) {
    int wrong = 0;
    for (size_t i = 0; i < r.answerIds.size(); ++i)
        wrong += r.answerIds[i] == prefix + std::to_string(i) ? 0 : 1;
    return wrong;
}

void Print(const char* name, Round r) {
    std::sort(r.ms.begin(), r.ms.end());
    std::printf("%-22s %6zu requests  %8.0f req/s  p50 %6.2f ms  p99 %6.2f ms  max %7.2f ms\n",
                name, r.ms.size(), double(r.ms.size()) / r.seconds, Percentile(r.ms, 0.5),
                Percentile(r.ms, 0.99), r.ms.back());
}

}  // namespace

int main(int argc, char** argv) {
    const int requests = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int clients = argc > 2 ? std::max(1, std::atoi(argv[2])) : 8;
    const int port = FreeLoopbackPort();

    ProgramUnderTest p;
    p.Folder().Write(p.SettingsName(), "HttpListen=127.0.0.1:" + std::to_string(port) +
                                           "\r\nHttpToken=" + kToken + "\r\n");
    // No printer is needed; make sure none can be reached.
    ChildProcess& app = p.Start({"/EMUL"}, {"CUPS_SERVER=/nonexistent/orvenka-bench.sock"});
    if (!app.WaitForStderr("HTTP: принимаю команды", Millis(20000))) {
        std::fprintf(stderr, "the door did not open\n%s", app.Stderr().c_str());
        return 1;
    }

    const Round first = Send(port, requests, clients, "bench-", false);
    const Round again = Send(port, requests, clients, "bench-", false);
    const int receipts = std::max(1, requests / 10);
    const Round sales = Send(port, receipts, clients, "sale-", true);
    int changed = 0;
    for (int i = 0; i < requests; ++i)
        changed += again.bodies[i] == first.bodies[i] ? 0 : 1;

    app.Terminate();
    app.WaitForExit(Millis(20000));
    // Every command carried out is one line of the run log.
    int carriedOut = 0;
    int salesCarriedOut = 0;
    for (const std::string& line : p.Lines(p.RunLogName())) {
        carriedOut += line.find("Прочитал команду OPENSESSION (HTTP)") != std::string::npos;
        salesCarriedOut += line.find("Прочитал команду PRINT (HTTP)") != std::string::npos;
    }

    std::printf("http_bench: %d clients, OPENSESSION on the emulator\n", clients);
    Print("new ids", first);
    Print("same ids again", again);
    Print("receipts, no printer", sales);
    const int lost = first.failures + again.failures + sales.failures;
    const int wrong = WrongAnswers(first, "bench-") + WrongAnswers(again, "bench-") +
                      WrongAnswers(sales, "sale-");
    const int duplicated =
        std::max(0, carriedOut - requests) + std::max(0, salesCarriedOut - receipts);
    std::printf(
        "lost %d  wrong answers %d  carried out %d + %d (duplicated %d)  resends changed %d\n",
        lost, wrong, carriedOut, salesCarriedOut, duplicated, changed);
    return lost == 0 && wrong == 0 && carriedOut == requests && salesCarriedOut == receipts &&
                   changed == 0
               ? 0
               : 1;
}
