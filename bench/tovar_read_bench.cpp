// Reading a large goods file and handing it to a back-end: the receipt job (Param.ini, Tovar.ini,
// every goods line to the back-end) with a back-end that only counts, for 10,000 and 20,000
// goods. Best of several runs; the file is written anew before each (the job moves it away).
// Usage: tovar_read_bench [runs=5]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "common/clock.h"
#include "shell/app_context.h"
#include "shell/device_backend.h"
#include "shell/goods_files.h"
#include "shell/receipt_job.h"
#include "support/scripted_platform.h"
#include "support/temp_folder.h"

using namespace orvenka;
using Steady = std::chrono::steady_clock;

namespace {

class CountingBackend : public DeviceBackend {
  public:
    long goods = 0;
    double total = 0;
    size_t nameBytes = 0;

    DeviceKind Kind() const override { return DeviceKind::Emul; }
    std::string DeviceName() const override { return "счетчик строк"; }
    void BeginReceipt() override { goods = 0, total = 0, nameBytes = 0; }
    void AddExtraLine(const std::string&, const std::string&, bool) override {}
    void AddGoodsLine(const TSale& line, const TTovar&) override {
        ++goods;
        total += line.Summa;
        nameBytes += line.Name.size();
    }
    bool PrintReceipt(const std::string&) override { return true; }
};

const char* const kParam =
    "SNO=OSN\r\nDocumStr=\r\nOplata=\r\nFiscal=-\r\nSection=1\r\nINN=7701234567\r\nZN=1\r\n"
    "PRN_WIDHT=40\r\nPRN_WIDHT_ITOG=20\r\nPRN_NAME=\r\n";

// Plain and composite lines mixed, Cyrillic names, the number spellings accounting systems use.
std::string TovarText(int goods) {
    std::string text;
    text.reserve(static_cast<size_t>(goods) * 120);
    for (int i = 1; i <= goods; ++i) {
        const std::string n = std::to_string(i);
        if (i % 3 == 0) {
            text += "##1##046012345" + n + "##SN" + n + "##Сигареты «Ява золотая» пачка № " + n +
                    "##12,50##643##шт##10702020/060520/00" + n + "##1##Доп. сведения##4##КОД-" + n +
                    "##\r\n";
        } else {
            text += "Хлеб ржаной нарезной, батон 400 г, № " + n + "\r\n";
        }
        text += i % 2 ? "1,500\r\n" : " 2 \r\n";
        text += i % 5 ? "45,50\r\n" : "1 234.56\r\n";
        text += i % 4 ? "20\r\n" : "10\r\n";
    }
    return text;
}

struct Figures {
    double jobMs = 1e300;   // RunReceiptJob: Param.ini, Dop.ini, Tovar.ini, back-end calls
    double readMs = 1e300;  // ReadTovarIni alone
};

Figures Measure(int goods, int runs) {
    test::TempFolder folder;
    test::ScriptedPlatform platform;
    platform.screen = false;
    FixedClock clock(45000.5);
    AppContext ctx(folder.Path(), "orvenka", platform, clock);
    ctx.StartupKind = DeviceKind::Emul;
    ctx.device.Kind = DeviceKind::Emul;
    auto backend = std::make_unique<CountingBackend>();
    CountingBackend& counter = *backend;
    ctx.SetBackend(std::move(backend));
    folder.Write("Param.ini", kParam);
    const std::string tovar = TovarText(goods);

    Figures best;
    for (int run = 0; run < runs; ++run) {
        folder.Write("Tovar.ini", tovar);
        auto t0 = Steady::now();
        const bool made = RunReceiptJob(ctx, "PRINT");
        const double job = std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
        if (!made || counter.goods != goods || !ctx.log.Errors().empty()) {
            std::fprintf(stderr, "%d goods: the job failed (%ld lines handed over)\n", goods,
                         counter.goods);
            for (const auto& e : ctx.log.Errors())
                std::fprintf(stderr, "%s\n", e.c_str());
            std::exit(1);
        }
        best.jobMs = std::min(best.jobMs, job);

        folder.Write("Tovar.ini", tovar);
        t0 = Steady::now();
        const auto list = ReadTovarIni(ctx);
        const double read = std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
        if (list.size() != static_cast<size_t>(goods))
            std::exit(1);
        best.readMs = std::min(best.readMs, read);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const Figures small = Measure(10000, runs);
    const Figures large = Measure(20000, runs);
    std::printf("receipt job with a counting back-end, best of %d\n", runs);
    std::printf("10,000 goods: job %.1f ms (ReadTovarIni alone %.1f ms)\n", small.jobMs,
                small.readMs);
    std::printf("20,000 goods: job %.1f ms (ReadTovarIni alone %.1f ms)\n", large.jobMs,
                large.readMs);
    const double ratio = large.jobMs / small.jobMs;
    std::printf("ratio 20k / 10k: %.2f\n", ratio);
    std::printf("goals: 10k under 100 ms -> %s; 20k under 2.2 x 10k -> %s\n",
                small.jobMs < 100 ? "met" : "MISSED", ratio < 2.2 ? "met" : "MISSED");
    return 0;
}
