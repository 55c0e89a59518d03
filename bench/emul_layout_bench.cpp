// Lays out emulated receipts of 10,000 and 20,000 goods lines and prints the layout times and
// their ratio: the layout must grow linearly with the number of lines.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "backends/emul/emul_backend.h"
#include "common/clock.h"
#include "common/null_platform.h"
#include "emul_bench_receipt.h"
#include "shell/app_context.h"

namespace {

using namespace orvenka;

// Keeps nothing but the size of the last document, so the figures are the layout's own.
class CountingPlatform : public NullPlatform {
  public:
    size_t lastLines = 0;
    void PrintDocument(const TextDocument& d) override { lastLines = d.lines.size(); }
};

}  // namespace

int main() {
    CountingPlatform platform;
    FixedClock clock(45366.43);
    AppContext ctx("/tmp/", "orvenka-bench", platform, clock);
    TParam& p = ctx.param;
    bench::SetReceiptParams(p);

    for (bool longNames : {false, true}) {
        p.Name = longNames ? 20 : 0;
        EmulBackend emul(ctx);
        bench::LayoutMs(emul, 1000, longNames);  // warm-up
        double best10 = 1e300;
        double best20 = 1e300;
        size_t lines10 = 0;
        size_t lines20 = 0;
        for (int round = 0; round < 5; ++round) {
            best10 = std::min(best10, bench::LayoutMs(emul, 10000, longNames));
            lines10 = platform.lastLines;
            best20 = std::min(best20, bench::LayoutMs(emul, 20000, longNames));
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
