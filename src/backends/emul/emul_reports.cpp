#include "backends/emul/emul_reports.h"

#include <exception>

#include "backends/emul/emul_output.h"
#include "backends/shared/emul_counters.h"
#include "backends/shared/emul_report.h"
#include "common/files.h"
#include "shell/app_context.h"
#include "shell/receipt_job.h"

namespace orvenka {

namespace {

// A report before any receipt of the run has no paper widths yet. The folder's Param.ini (an
// emulator folder made by orvenka-folder gets one with working widths) gives them, so that a
// fresh folder's first report prints instead of failing on settings the folder holds.
void TakeParamWhenNoneRead(AppContext& ctx) {
    if (ctx.param.PRN_WIDHT == 0 && ctx.param.PRN_WIDHT_ITOG == 0 &&
        FileSpellingOf(ctx.ExchangeFolder(), "Param.ini"))
        ReadParamIni(ctx);
}

}  // namespace

void EmulReport(AppContext& ctx, EmulDocument& doc, FiscalSignSource& fiscalSign, bool closing) {
    CheckEmulParams(ctx.param);
    doc.BeginDocument();
    doc.SetDocumentFont("Orvenka");
    for (const ReportLine& line :
         EmulReportLines(ctx.param, ctx.emul, closing, ctx.clock.Now(), fiscalSign.Next())) {
        if (line.wrapped) {
            doc.Wrapped(line.caption, ctx.param.PRN_WIDHT);
        } else {
            doc.LabelValue(line.caption, line.value);
        }
    }
}

bool EmulXReport(AppContext& ctx, EmulDocument& doc, FiscalSignSource& fiscalSign,
                 DeviceKind kind) {
    try {
        TakeParamWhenNoneRead(ctx);
        LoadCounters(ctx, kind);
        EmulReport(ctx, doc, fiscalSign, false);
        ShowOrPrint(ctx, doc.Document());
        return true;
    } catch (const std::exception& e) {
        ctx.LogError(e.what());
        return false;
    }
}

bool EmulZReport(AppContext& ctx, EmulDocument& doc, FiscalSignSource& fiscalSign,
                 DeviceKind kind) {
    try {
        TakeParamWhenNoneRead(ctx);
        LoadCounters(ctx, kind);
        EmulReport(ctx, doc, fiscalSign, true);
        // The shift closes once its report is on paper: a refused one, asked for again, still
        // shows the shift's sums. A counters file that cannot be written refuses the report
        // before it is printed (saved here as it stands).
        SaveCounters(ctx, kind);
        ShowOrPrint(ctx, doc.Document());
        CloseShiftCounters(ctx.emul);
        SaveCounters(ctx, kind);
        return true;
    } catch (const std::exception& e) {
        ctx.LogError(e.what());
        return false;
    }
}

}  // namespace orvenka
