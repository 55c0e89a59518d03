// A fiscal receipt of many goods lines sent through cmd.ini to the real program on the
// simulated Shtrih-M register (/SHTRIH): time from cmd.ini renamed in until cmd.finish is there,
// the simulator's own time included. Goal: 1,000 lines under 150 ms, growing linearly to 10,000.
// Usage: shtrih_receipt_bench [runs per size=5]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "common/cp1251.h"
#include "register_bench.h"

using namespace orvenka::test;
using namespace orvenka::bench;

namespace {

std::string Goods(int lines) {
    std::string text;
    text.reserve(static_cast<size_t>(lines) * 48);
    for (int i = 0; i < lines; ++i) {
        text += "Товар номер " + std::to_string(i + 1) + "\r\n" + std::to_string(1 + i % 3) +
                "\r\n" + std::to_string(10 + i % 90) + "." + std::to_string(10 + i % 80) + "\r\n" +
                (i % 2 ? "20" : "10") + "\r\n";
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    ProgramUnderTest p;
    const int fd = StartWatched(p, {"/SHTRIH"}, {"CUPS_SERVER=/nonexistent/orvenka-bench.sock"});
    if (fd < 0)
        return 1;
    ChildProcess& app = p.Main();
    const std::string command = orvenka::Utf8ToCp1251("PRINT\r\n");
    int document = 0;
    // One receipt; answers the milliseconds from cmd.ini to cmd.finish, or -1.
    const auto receipt = [&](int lines) -> double {
        p.Folder().Write("Param.ini", "SNO=OSN\r\nOplata=\r\nVERSION_FFD=1.05\r\nDocumStr=B-" +
                                          std::to_string(++document) + "\r\n");
        p.Folder().Write("Tovar.ini", Goods(lines));
        const double ms = TimeCommand(p, fd, command, std::chrono::seconds(120));
        if (ms < 0)
            return -1;
        if (!p.Folder().ReadBytes("Result.txt").empty()) {
            std::fprintf(stderr, "%d lines: error lines:\n%s", lines,
                         p.Folder().Read("Result.txt").c_str());
            return -1;
        }
        return ms;
    };

    receipt(10);  // the first command creates the register's files and opens its shift
    std::printf(
        "orvenka fiscal receipt on the simulated Shtrih-M register, /SHTRIH, cmd.ini -> "
        "cmd.finish, median of %d\n",
        runs);
    double at1000 = 0;
    std::vector<std::pair<int, double>> fastest;  // lines, ms: least disturbed by the machine
    for (const int lines : {1000, 2000, 5000, 10000}) {
        std::vector<double> ms;
        for (int r = 0; r < runs; ++r) {
            const double t = receipt(lines);
            if (t < 0) {
                std::fprintf(stderr, "%d lines: no answer\n%s", lines, app.Stderr().c_str());
                return 1;
            }
            ms.push_back(t);
        }
        const double median = Median(ms);
        const double min = *std::min_element(ms.begin(), ms.end());
        std::printf("%6d lines: median %8.1f ms  min %8.1f ms\n", lines, median, min);
        if (lines == 1000)
            at1000 = median;
        fastest.emplace_back(lines, min);
    }
    // Linear growth: ten times the lines take at most ten times as long (the fixed cost of a
    // command makes it less); anything worse than linear in the lines shows far above that.
    const double ratio = fastest.back().second / fastest.front().second;
    const double perThousand =
        (fastest.back().second - fastest.front().second) * 1000 / (10000 - 1000);
    std::printf(
        "10000 / 1000 lines (fastest runs): x%.1f in time, %.1f ms per further 1000 lines\n", ratio,
        perThousand);
    std::printf("goal: 1000 lines under 150 ms -> %s\n", at1000 < 150 ? "met" : "MISSED");
    std::printf("growth 1000 -> 10000 lines -> %s\n", ratio <= 12 ? "linear" : "NOT LINEAR");
    ::close(fd);
    return 0;
}
