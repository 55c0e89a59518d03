// Start-up, idle cost and command pick-up of the real program (offscreen, /EMUL).
// Usage: startup_bench [starts=20] [idle seconds=30]
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "program_under_test.h"

using namespace orvenka::test;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Polls tightly: the figure is the time itself.
bool WaitTight(const std::function<bool()>& done, Millis timeout) {
    const auto end = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
    return true;
}

void Print(const char* what, std::vector<double> v) {
    if (v.empty())
        return;
    std::sort(v.begin(), v.end());
    const double mean = std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
    std::printf("%-44s n=%zu  min %.1f  median %.1f  mean %.1f  max %.1f ms\n", what, v.size(),
                v.front(), v[v.size() / 2], mean, v.back());
}

long VmRssKb(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

// utime + stime in clock ticks.
long long CpuTicks(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');  // the name may hold blanks
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(all.substr(close + 2));
    std::string f;
    long long utime = 0, stime = 0;
    for (int i = 3; fields >> f; ++i) {
        if (i == 14)
            utime = std::atoll(f.c_str());
        if (i == 15) {
            stime = std::atoll(f.c_str());
            break;
        }
    }
    return utime + stime;
}

}  // namespace

int main(int argc, char** argv) {
    const int starts = argc > 1 ? std::atoi(argv[1]) : 20;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 30;
    const Millis timeout(20000);

    std::vector<double> startMs, stopMs, commandMs;
    for (int i = 0; i < starts; ++i) {
        ProgramUnderTest p;
        const auto t0 = Clock::now();
        ChildProcess& app = p.Start({"/EMUL"});
        if (!WaitTight(
                [&] {
                    return app.Stderr().find(ProgramUnderTest::kPollingLine) != std::string::npos;
                },
                timeout)) {
            std::fprintf(stderr, "start %d: no polling line\n%s", i, app.Stderr().c_str());
            return 1;
        }
        startMs.push_back(Ms(Clock::now() - t0));

        // A command (unknown word: no device work) answered through the folder watch.
        const auto c0 = Clock::now();
        p.Folder().Write("cmd.ini", "NOSUCHCOMMAND\r\n");
        if (WaitTight([&] { return p.Folder().Exists("cmd.finish"); }, timeout)) {
            commandMs.push_back(Ms(Clock::now() - c0));
        }

        const auto s0 = Clock::now();
        app.Terminate();
        if (app.WaitForExit(timeout))
            stopMs.push_back(Ms(Clock::now() - s0));
    }
    std::printf("orvenka start-up, offscreen, /EMUL, fresh folder each time\n");
    Print("start to the polling line", startMs);
    Print("cmd.ini written to cmd.finish", commandMs);
    Print("SIGTERM to exit (run log written)", stopMs);

    ProgramUnderTest p;
    ChildProcess& app = p.StartPolling({"/EMUL"});
    std::this_thread::sleep_for(std::chrono::seconds(2));
    std::printf("resident memory when idle (VmRSS)            %ld kB\n", VmRssKb(app.Pid()));
    const long long before = CpuTicks(app.Pid());
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const long long after = CpuTicks(app.Pid());
    const double cpuMs = double(after - before) * 1000.0 / double(::sysconf(_SC_CLK_TCK));
    std::printf("CPU while idle for %d s                       %.0f ms (%.3f %%)\n", idleSeconds,
                cpuMs, cpuMs / (idleSeconds * 10.0));
    std::printf("resident memory after idling                 %ld kB\n", VmRssKb(app.Pid()));
    return 0;
}
