// Lays out emulated receipts of 10,000 and 20,000 goods lines and prints the layout times and
// their ratio: the layout must grow linearly with the number of lines.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "backends/emul/emul_backend.h"
#include "common/clock.h"
#include "common/platform.h"
#include "shell/app_context.h"

namespace {

using namespace orvenka;

// Keeps nothing but the size of the last document, so the figures are the layout's own.
class CountingPlatform : public Platform {
  public:
    size_t lastLines = 0;
    bool HasScreen() const override { return false; }
    Answer AskYesNo(const std::string&) override { return Answer::NoScreen; }
    void ShowMessage(const std::string&) override {}
    void ShowBalloon(const std::string&, const std::string&) override {}
    char SelectDeviceKind(char) override { return 0; }
    int SelectLogicalDevice(const std::vector<std::string>&) override { return -1; }
    void ShowPreview(const TextDocument& d) override { lastLines = d.lines.size(); }
    void PrintDocument(const TextDocument& d) override { lastLines = d.lines.size(); }
    std::vector<std::string> Printers() override { return {}; }
    std::string CurrentPrinter() override { return {}; }
    void SelectPrinter(const std::string&) override {}
    void PrinterSetupDialog() override {}
};

double LayoutMs(EmulBackend& emul, int goods, bool longNames) {
    emul.BeginReceipt();
    for (int i = 0; i < goods; ++i) {
        TSale s;
        s.Name = longNames
                     ? "Товар с длинным названием для расшифровки на чеке № " + std::to_string(i)
                     : "Товар " + std::to_string(i);
        s.Kolvo = 1 + i % 7;
        s.Cena = 10.25 + i % 100;
        s.NDS = i % 3 == 0 ? 18 : (i % 3 == 1 ? 10 : 0);
        s.Summa = s.Kolvo * s.Cena;
        emul.AddGoodsLine(s, nullptr);
    }
    const auto t0 = std::chrono::steady_clock::now();
    if (!emul.PrintReceipt("PRINT"))
        std::fprintf(stderr, "layout failed\n");
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

}  // namespace

int main() {
    CountingPlatform platform;
    FixedClock clock(45366.43);
    AppContext ctx("/tmp/", "orvenka-bench", platform, clock);
    TParam& p = ctx.param;
    p.PRN_WIDHT = 42;
    p.PRN_WIDHT_ITOG = 21;
    p.PRN_SIZEFONT = 8;
    p.PRN_SIZEFONT_ITOG = 12;
    p.Section = 1;
    p.SNO = "OSN";
    p.INN = "7700000000";
    p.USER = "ИП Петров";
    p.ADDRES = "Москва, ул. Тверская, д. 1";
    p.WEBADDRES = "nalog.ru";
    // Fiscal: the counters stay in memory, the bench touches no file.
    p.isNotFiscal = false;

    for (bool longNames : {false, true}) {
        p.Name = longNames ? 20 : 0;
        EmulBackend emul(ctx);
        LayoutMs(emul, 1000, longNames);  // warm-up
        double best10 = 1e300;
        double best20 = 1e300;
        size_t lines10 = 0;
        size_t lines20 = 0;
        for (int round = 0; round < 5; ++round) {
            best10 = std::min(best10, LayoutMs(emul, 10000, longNames));
            lines10 = platform.lastLines;
            best20 = std::min(best20, LayoutMs(emul, 20000, longNames));
            lines20 = platform.lastLines;
        }
        std::printf(
            "%s names (Name=%d): 10000 goods %.2f ms (%zu lines), 20000 goods %.2f ms "
            "(%zu lines), ratio %.2f\n",
            longNames ? "long, decoded" : "short", p.Name, best10, lines10, best20, lines20,
            best20 / best10);
    }
    return 0;
}
