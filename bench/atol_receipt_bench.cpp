// A fiscal receipt on the simulated ATOL register through the real program (offscreen, /ATOL):
// Param.ini and Tovar.ini written, cmd.ini with PRINT renamed in, until cmd.finish is there, for
// 1,000 and 10,000 goods lines. Median of several receipts each, on the wall clock and in the
// processor time the program spent; the answer must be empty (the receipt made). Goals: 1,000
// lines under 150 ms; a line of the 10,000-line receipt costs at most 1.2 times a line of the
// 1,000-line one (judged on processor time, which a loaded machine does not inflate).
// Usage: atol_receipt_bench [receipts=7]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/cp1251.h"
#include "register_bench.h"

using namespace orvenka::test;
using namespace orvenka::bench;

namespace {

const char* const kParam =
    "SNO=OSN\r\nOplata=\r\nAuthorCaption=Иванова А.П.\r\nAuthorINN=770123456789\r\n"
    "PRN_WIDHT=40\r\nPRN_WIDHT_ITOG=20\r\nSection=1\r\n";

// Plain and marked goods mixed, Cyrillic names, prices the register takes as they are.
std::string TovarText(int goods) {
    std::string text;
    for (int i = 1; i <= goods; ++i) {
        const std::string n = std::to_string(i);
        if (i % 5 == 0) {
            text += "##5##04600000000017##SN" + n + "##Сигареты «Ява» пачка № " + n +
                    "####643##шт####1####4##\r\n";
        } else {
            text += "Хлеб ржаной нарезной, батон 400 г, № " + n + "\r\n";
        }
        text += i % 2 ? "1,500\r\n" : "2\r\n";
        text += std::to_string(10 + i % 90) + ",25\r\n";
        text += i % 3 ? "20\r\n" : "10\r\n";
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const int receipts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    ProgramUnderTest p;
    const int fd = StartWatched(p, {"/ATOL"});
    if (fd < 0)
        return 1;
    ChildProcess& app = p.Main();
    p.Folder().Write("Param.ini", kParam);
    const std::string command = orvenka::Utf8ToCp1251("PRINT\r\n");

    std::printf("orvenka ATOL receipt through cmd.ini, offscreen, /ATOL, simulated register\n");
    double perLine[2] = {0, 0}, cpuPerLine[2] = {0, 0};
    const int sizes[] = {1000, 10000};
    for (int k = 0; k < 2; ++k) {
        const int lines = sizes[k];
        const std::string tovar = orvenka::Utf8ToCp1251(TovarText(lines));
        const int runs = lines > 1000 ? std::max(1, receipts / 2) : receipts;
        std::vector<double> ms, cpu;
        // One receipt first that is not counted: the driver object, the shift opening.
        for (int i = 0; i <= runs; ++i) {
            p.Folder().WriteBytes("Tovar.ini", tovar);
            const double cpuBefore = ProcessorMs(app.Pid());
            const double elapsed = TimeCommand(p, fd, command, std::chrono::seconds(60));
            if (elapsed < 0) {
                std::fprintf(stderr, "no cmd.finish\n%s", app.Stderr().c_str());
                return 1;
            }
            const double cpuAfter = ProcessorMs(app.Pid());
            if (cpuBefore < 0 || cpuAfter < 0) {
                std::fprintf(stderr, "the program's processor time cannot be read\n");
                return 1;
            }
            if (!p.Folder().ReadBytes("Result.txt").empty()) {
                std::fprintf(stderr, "the receipt was not made:\n%s",
                             p.Folder().Read("Result.txt").c_str());
                return 1;
            }
            if (i > 0) {
                ms.push_back(elapsed);
                cpu.push_back(cpuAfter - cpuBefore);
            }
        }
        const double median = Median(ms);
        perLine[k] = median / lines;
        cpuPerLine[k] = Median(cpu) / lines;
        std::printf(
            "%6d lines: cmd.ini -> cmd.finish median %8.1f ms  min %8.1f ms  max %8.1f ms"
            "  (%d receipts, %.3f ms per line)\n"
            "              processor time median %8.1f ms  min %8.1f ms  max %8.1f ms"
            "  (%.4f ms per line)\n",
            lines, median, *std::min_element(ms.begin(), ms.end()),
            *std::max_element(ms.begin(), ms.end()), runs, perLine[k], Median(cpu),
            *std::min_element(cpu.begin(), cpu.end()), *std::max_element(cpu.begin(), cpu.end()),
            cpuPerLine[k]);
        if (k == 0)
            std::printf("goal: 1,000 lines under 150 ms -> %s\n", median < 150 ? "met" : "MISSED");
    }
    ::close(fd);
    const double ratio = perLine[1] / perLine[0];
    const double cpuRatio = cpuPerLine[1] / cpuPerLine[0];
    std::printf(
        "time per line at 10,000 / at 1,000: %.2f on the wall clock, %.2f in processor time"
        " -> %s (goal 1.2)\n",
        ratio, cpuRatio, cpuRatio <= 1.2 ? "linear" : "NOT LINEAR");
    return 0;
}
