// Command round trip of the real program (offscreen, /EMUL): cmd.ini written whole (temporary
// file + rename, Windows-1251) until cmd.finish is there, for a command that needs no device
// (OPENSESSION: the emulator has no shift to open and answers at once).
// Usage: command_latency_bench [commands=100]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/cp1251.h"
#include "common/files.h"
#include "folder_wait.h"
#include "program_under_test.h"

using namespace orvenka::test;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(const std::vector<double>& sorted, double q) {
    const size_t i = static_cast<size_t>(q * double(sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
    const int commands = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const auto timeout = std::chrono::seconds(20);

    ProgramUnderTest p;
    // No printer is needed; make sure none can be reached.
    ChildProcess& app = p.Start({"/EMUL"}, {"CUPS_SERVER=/nonexistent/orvenka-bench.sock"});
    if (!app.WaitForStderr(ProgramUnderTest::kPollingLine, Millis(20000))) {
        std::fprintf(stderr, "the program did not start polling\n%s", app.Stderr().c_str());
        return 1;
    }
    const std::string cmd = p.File("cmd.ini");
    const std::string tmp = p.File("cmd.tmp");
    const std::string finish = p.File("cmd.finish");
    const std::string bytes = orvenka::Utf8ToCp1251("OPENSESSION\r\n");

    const int fd = orvenka::bench::WatchFolder(p.Folder().Path());
    if (fd < 0) {
        std::perror("inotify");
        return 1;
    }

    std::vector<double> ms;
    for (int i = 0; i < commands; ++i) {
        orvenka::DeleteFileIfExists(finish);
        // Also the timer's own poll must not be waiting behind us: start from a quiet folder.
        ::usleep(2000);
        p.Folder().WriteBytes("cmd.tmp", bytes);
        const auto t0 = Clock::now();
        std::filesystem::rename(tmp, cmd);
        if (!orvenka::bench::WaitForFile(fd, finish, Clock::now() + timeout)) {
            std::fprintf(stderr, "command %d: no cmd.finish\n%s", i, app.Stderr().c_str());
            return 1;
        }
        ms.push_back(Ms(Clock::now() - t0));
        if (!p.Folder().ReadBytes("Result.txt").empty()) {
            std::fprintf(stderr, "command %d: unexpected error lines:\n%s", i,
                         p.Folder().Read("Result.txt").c_str());
            return 1;
        }
    }
    ::close(fd);

    std::sort(ms.begin(), ms.end());
    const double median = Percentile(ms, 0.5);
    const double p99 = Percentile(ms, 0.99);
    std::printf("orvenka command round trip, offscreen, /EMUL, %d x OPENSESSION\n", commands);
    std::printf(
        "cmd.ini renamed in -> cmd.finish present: median %.2f ms  p95 %.2f ms  p99 %.2f ms  "
        "min %.2f ms  max %.2f ms\n",
        median, Percentile(ms, 0.95), p99, ms.front(), ms.back());
    std::printf("goal: median under 5 ms and p99 under 20 ms -> %s\n",
                median < 5 && p99 < 20 ? "met" : "MISSED");
    return 0;
}
