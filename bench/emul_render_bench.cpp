// Lays out emulated receipts of 10,000 and 20,000 goods lines with the emulator core, then draws
// each document into a PDF the way a print job is drawn. Prints the layout and render times,
// the pages and the ratios: both must grow linearly with the number of lines.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "backends/emul/emul_backend.h"
#include "common/clock.h"
#include "common/null_platform.h"
#include "emul_bench_receipt.h"
#include "gui/document_render.h"
#include "shell/app_context.h"

namespace {

using namespace orvenka;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Pages of a PDF Qt wrote: one "/Type /Page" object per page.
int PdfPages(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = f.readAll();
    return int(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
               bytes.count("/Type /Page/") + bytes.count("/Type /Page>"));
}

struct Figures {
    double layoutMs = 1e300;
    double renderMs = 1e300;
    size_t lines = 0;
    int pages = 0;
    qint64 bytes = 0;
};

Figures Measure(EmulBackend& emul, int goods, const QString& file, int rounds) {
    Figures f;
    for (int r = 0; r < rounds; ++r) {
        f.layoutMs = std::min(f.layoutMs, bench::LayoutMs(emul, goods, false));
        f.lines = emul.Document().lines.size();
        const auto t0 = Clock::now();
        gui::PrintDocumentToPdf(emul.Document(), file);
        f.renderMs = std::min(f.renderMs, Ms(t0, Clock::now()));
    }
    f.pages = PdfPages(file);
    f.bytes = QFile(file).size();
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    NullPlatform platform;
    FixedClock clock(45366.43);
    AppContext ctx("/tmp/", "orvenka-bench", platform, clock);
    bench::SetReceiptParams(ctx.param);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    EmulBackend emul(ctx);
    Measure(emul, 1000, dir.filePath("warm-up.pdf"), 1);
    const Figures small = Measure(emul, 10000, dir.filePath("10000.pdf"), 3);
    const Figures large = Measure(emul, 20000, dir.filePath("20000.pdf"), 3);

    for (const auto& [goods, f] : {std::pair{10000, small}, std::pair{20000, large}}) {
        std::printf(
            "%5d goods: %6zu lines, layout %8.2f ms, render to PDF %9.2f ms, %5d pages, %7.1f "
            "KiB\n",
            goods, f.lines, f.layoutMs, f.renderMs, f.pages, double(f.bytes) / 1024.0);
    }
    std::printf("ratio 20000/10000: layout %.2f, render %.2f, pages %.2f\n",
                large.layoutMs / small.layoutMs, large.renderMs / small.renderMs,
                small.pages > 0 ? double(large.pages) / small.pages : 0.0);
    return 0;
}
