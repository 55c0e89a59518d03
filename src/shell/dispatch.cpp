#include "shell/dispatch.h"

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/numbers.h"
#include "common/text.h"
#include "shell/receipt_job.h"

namespace orvenka {
namespace {

void LoadPicture(AppContext&, DeviceBackend& b, const CommandText& cmd) {
    b.LoadPicture(cmd.original);
}
void PrintQRCode(AppContext&, DeviceBackend& b, const CommandText& cmd) {
    b.PrintQRCode(cmd.original);
}
void PrintCopyLastCheck(AppContext&, DeviceBackend& b, const CommandText&) {
    b.PrintCopyLastCheck();
}
void PrintTextNoCut(AppContext& ctx, DeviceBackend& b, const CommandText& cmd) {
    PrintTextFile(ctx, b, cmd, false);
}
void PrintTextCut(AppContext& ctx, DeviceBackend& b, const CommandText& cmd) {
    PrintTextFile(ctx, b, cmd, true);
}
void OpenShift(AppContext&, DeviceBackend& b, const CommandText&) {
    b.OpenShift();
}
void ReceiptJob(AppContext& ctx, DeviceBackend&, const CommandText& cmd) {
    RunReceiptJob(ctx, cmd.word);  // the answer is not needed here
}
// The emulated reports of a register print the counters with the requisites of Param.ini; a
// failed read is already in the error log and the report goes on with what is there.
void ReadParamOnly(AppContext& ctx, DeviceBackend&, const CommandText&) {
    ReadParamIni(ctx);
}
void ZReportEmul(AppContext& ctx, DeviceBackend& b, const CommandText& cmd) {
    ReadParamOnly(ctx, b, cmd);
    b.ZReportEmul();
}
void XReportEmul(AppContext& ctx, DeviceBackend& b, const CommandText& cmd) {
    ReadParamOnly(ctx, b, cmd);
    b.XReportEmul();
}
void ZReport(AppContext&, DeviceBackend& b, const CommandText&) {
    b.ZReport();
}
void XReport(AppContext&, DeviceBackend& b, const CommandText&) {
    b.XReport();
}
void DepartmentReport(AppContext&, DeviceBackend& b, const CommandText&) {
    b.DepartmentReport();
}
void OpenDrawer(AppContext&, DeviceBackend& b, const CommandText&) {
    b.OpenDrawer();
}

const std::vector<DispatchRow> kTable = {
    {"LOADPICTURE", RowTest::Contains, LoadPicture, false},
    {"PRINTQRCODE", RowTest::Contains, PrintQRCode, false},
    {"PRINTLASTCHECK", RowTest::Equal, PrintCopyLastCheck, false},
    {"SHOWPROPERTIES", RowTest::Equal, ShowDeviceProperties, false},
    {"PRINTTXTFILENOCUT", RowTest::Contains, PrintTextNoCut, true},
    {"PRINTTXTFILE", RowTest::Contains, PrintTextCut, false},
    {"CASHINCOME", RowTest::Contains, CashIncome, false},
    {"CASHOUTCOME", RowTest::Contains, CashOutcome, false},
    {"OPENSESSION", RowTest::Equal, OpenShift, false},
    {"PRINTS", RowTest::Equal, ReceiptJob, false},
    {"PRINT", RowTest::Equal, ReceiptJob, false},
    {"PRINT_BUY", RowTest::Equal, ReceiptJob, false},
    {"CORRECT_PRIH", RowTest::Equal, ReceiptJob, false},
    {"CORRECT_RASH", RowTest::Equal, ReceiptJob, false},
    {"RETURN", RowTest::Equal, ReceiptJob, false},
    {"RETURN_BUY", RowTest::Equal, ReceiptJob, false},
    {"RETURNS", RowTest::Equal, ReceiptJob, false},
    {"ZOTCHETEMUL", RowTest::Equal, ZReportEmul, false},
    {"XOTCHETEMUL", RowTest::Equal, XReportEmul, false},
    {"ZOTCHET", RowTest::Equal, ZReport, false},
    {"XOTCHET", RowTest::Equal, XReport, false},
    {"PrintDepartmentReport", RowTest::Same, DepartmentReport, false},
    {"OPENBOXMANY", RowTest::Equal, OpenDrawer, false},
};

}  // namespace

const std::vector<DispatchRow>& DispatchTable() {
    return kTable;
}

bool RowMatches(const DispatchRow& row, std::string_view word) {
    switch (row.test) {
        case RowTest::Equal:
            return word == row.name;
        case RowTest::Contains:
            return word.find(row.name) != std::string_view::npos;
        case RowTest::Same:
            return SameTrimmed(word, row.name);
    }
    return false;
}

void RunDispatch(AppContext& ctx, const CommandText& cmd) {
    const DeviceKind kind = ctx.device.Kind;
    bool matched = false;
    for (const DispatchRow& row : kTable) {
        if (!RowMatches(row, cmd.word))
            continue;
        matched = true;
        // Doing nothing here would answer the accounting system with an empty Result.txt as
        // if the command had been carried out.
        if (kind == DeviceKind::None) {
            throw Failure("Команда " + cmd.word +
                          " не выполнена: не указан вид устройства (ATOL, SHTRIH или PRN)");
        }
        DeviceBackend* backend = ctx.Backend(kind);
        if (!backend) {
            throw Failure("Команда " + cmd.word + " не выполнена: нет драйвера устройства вида " +
                          std::string(1, KindLetter(kind)));
        }
        row.action(ctx, *backend, cmd);
        if (row.endsTable)
            break;
    }
    // An empty answer would tell the accounting system that a typo ("PRINT " with a blank,
    // "PRINTTXTFI") had printed its receipt. The word is quoted as written, blanks and all.
    if (!matched)
        throw Failure("Неизвестная команда \"" + cmd.original + "\". Команда не выполнена");
}

std::string TextAfterEquals(std::string_view word, std::size_t maxChars) {
    const auto eq = word.find('=');
    const std::string_view rest = eq == std::string_view::npos ? word : word.substr(eq + 1);
    return LeftChars(rest, static_cast<long>(maxChars));
}

double CommandAmount(std::string_view word) {
    return ReadFloat(CleanNumber(TextAfterEquals(word, 100)), 0);
}

void CashIncome(AppContext&, DeviceBackend& backend, const CommandText& cmd) {
    backend.CashIn(CommandAmount(cmd.word));
}

void CashOutcome(AppContext&, DeviceBackend& backend, const CommandText& cmd) {
    backend.CashOut(CommandAmount(cmd.word));
}

void PrintTextFile(AppContext& ctx, DeviceBackend& backend, const CommandText& cmd, bool cut) {
    try {
        std::string fileName = TextAfterEquals(cmd.original, 1000);
        // A name without a folder is one of the exchange files, which live in the program
        // folder; the process's current folder is wherever the desktop happened to start it.
        if (!fileName.empty() && fileName.front() != '/')
            fileName = ctx.Folder() + fileName;
        for (const std::string& line : LoadLines(fileName, kMaxTextFileBytes))
            backend.PrintLine(line);
        if (cut)
            backend.FeedAndCut();
    } catch (const Failure& f) {
        ctx.LogError(f.what());
    }
}

void ShowDeviceProperties(AppContext&, DeviceBackend& backend, const CommandText&) {
    backend.ShowProperties();
}

}  // namespace orvenka
