// Everything the ATOL back-end does besides receipts: shift reports, opening a shift, cash in and
// out, the drawer, copies, the fiscal storage and the data operator, pictures and QR codes, and
// the emulated shift reports printed as text.
#include "backends/atol/atol_backend.h"
#include "backends/shared/emul_counters.h"
#include "backends/shared/emul_report.h"
#include "backends/shared/exchange_file.h"
#include "common/failure.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "shell/app_context.h"
#include "shell/dispatch.h"

namespace orvenka {

void AtolBackend::RunReport(const std::string& reportType, bool checkDocument) {
    Connect();
    driver_.Run("open");
    if (!driver_.IsOpened())
        throw Failure("Не удалось занять порт:" + driver_.ErrorDescription());
    if (checkDocument)
        ATOL_CheckDocumentState();
    driver_.SetParam("LIBFPTR_PARAM_REPORT_TYPE", driver_.Constant(reportType));
    // A report the register refused must not be answered as taken (a shift not closed).
    driver_.Check(driver_.Run("report"), "Снимаем отчет:");
}

void AtolBackend::ATOL_ZReport() {
    RunReport("LIBFPTR_RT_CLOSE_SHIFT", true);
}

void AtolBackend::ATOL_XReport() {
    RunReport("LIBFPTR_RT_X", false);
}

void AtolBackend::ATOL_DepartmentReport() {
    RunReport("LIBFPTR_RT_DEPARTMENTS", false);
}

void AtolBackend::ATOL_OpenShift() {
    Connect();
    driver_.SetTag(1021, ctx_.param.AuthorCaption);
    driver_.SetTag(1203, ctx_.param.AuthorINN);
    driver_.Check(driver_.Run("operatorLogin"),
                  "Не удалось передать инн кассира или имя (параметры:AuthorCaption тег "
                  "1021,AuthorINN тег 1203), наверное ИНН не должен быть пустым или должен "
                  "быть=12 знаков: ");
    driver_.Check(driver_.Run("openShift"), "Не удалось открыть смену: ");
}

void AtolBackend::Cash(double sum, bool income) {
    Connect();
    if (!driver_.IsOpened())
        driver_.Run("open");
    ATOL_PrintHeader();
    driver_.SetParam("LIBFPTR_PARAM_SUM", sum);
    driver_.Check(
        driver_.Run(income ? "cashIncome" : "cashOutcome"),
        income ? "Не удалось войти в режим CashInCome " : "Не удалось войти в режим CashOutCome ");
}

void AtolBackend::ATOL_CashIn(double sum) {
    Cash(sum, true);
}

void AtolBackend::ATOL_CashOut(double sum) {
    Cash(sum, false);
}

void AtolBackend::ATOL_OpenDrawer() {
    Connect();
    driver_.Run("openDrawer");
}

void AtolBackend::ATOL_PrintCopyLastCheck() {
    // The connection (state repair, clock check) comes first and fails in its own words; only
    // the copy's own failures are reported and swallowed.
    Connect();
    try {
        const std::vector<std::string> lines = LoadLines(ctx_.Path("ResultNumCheck.txt"));
        const auto number = lines.empty() ? std::nullopt : ParseInt(TrimText(lines.front()));
        if (!number) {
            throw Failure("в ResultNumCheck.txt нет номера документа" +
                          (lines.empty() ? std::string() : ": \"" + lines.front() + "\""));
        }
        driver_.SetParam("LIBFPTR_PARAM_REPORT_TYPE",
                         driver_.Constant("LIBFPTR_RT_FN_DOC_BY_NUMBER"));
        driver_.SetParam("LIBFPTR_PARAM_DOCUMENT_NUMBER", *number);
        driver_.Check(driver_.Run("report"), "ATOL_PrintCopyLastCheck ErrorDescription:");
    } catch (const Failure& f) {
        ctx_.LogError(std::string("ATOL_PrintCopyLastCheck:") + f.what());
    }
}

void AtolBackend::ATOL_PrintCopyLastCheckForNum(const std::string& text) {
    const auto number = ParseInt(TrimText(text));
    if (!number)
        throw Failure("Номер ФД '" + text + "' не является целым числом");
    Connect();
    driver_.SetParam("LIBFPTR_PARAM_REPORT_TYPE", driver_.Constant("LIBFPTR_RT_FN_DOC_BY_NUMBER"));
    driver_.SetParam("LIBFPTR_PARAM_DOCUMENT_NUMBER", *number);
    driver_.Check(driver_.Run("report"), "1 ATOL_PrintCopyLastCheckForNum ErrorDescription:");
}

void AtolBackend::ATOL_ShowUnsentFD() {
    Connect();
    driver_.SetParam("LIBFPTR_PARAM_FN_DATA_TYPE",
                     driver_.Constant("LIBFPTR_FNDT_OFD_EXCHANGE_STATUS"));
    // Zeros from a failed query would read as "everything sent".
    driver_.Check(driver_.Run("fnQueryData"), "Не удалось получить состояние обмена с ОФД: ");
    const int64_t count = driver_.ParamInt("LIBFPTR_PARAM_DOCUMENTS_COUNT");
    const int64_t first = driver_.ParamInt("LIBFPTR_PARAM_DOCUMENT_NUMBER");
    const TDateTime date = driver_.ParamDateTime("LIBFPTR_PARAM_DATE_TIME");
    ctx_.LogError("Количество неотправленных  ФД: " + std::to_string(count));
    ctx_.LogError("Номер первого неотправленного:" + std::to_string(first));
    ctx_.LogError("Дата первого неотправленного :" + FormatDateTime(date));
}

void AtolBackend::ATOL_ShowTestLinkOFD() {
    Connect();
    driver_.SetParam("LIBFPTR_PARAM_REPORT_TYPE", driver_.Constant("LIBFPTR_RT_OFD_TEST"));
    if (driver_.Run("report") != 0)
        throw Failure("2 ATOL_ShowTestLinkOFD Ошибка выполнения команды ");
    ctx_.LogError("Проверка соединения с ОФД - Команда выполнена упешно!");
}

void AtolBackend::ATOL_ShowSrokFN() {
    Connect();
    driver_.SetParam("LIBFPTR_PARAM_FN_DATA_TYPE", driver_.Constant("LIBFPTR_FNDT_VALIDITY"));
    driver_.Check(driver_.Run("fnQueryData"), "1 ATOL_ShowSrokFN ErrorDescription:");
    const int64_t remain = driver_.ParamInt("LIBFPTR_PARAM_REGISTRATIONS_REMAIN");
    const int64_t count = driver_.ParamInt("LIBFPTR_PARAM_REGISTRATIONS_COUNT");
    const TDateTime date = driver_.ParamDateTime("LIBFPTR_PARAM_DATE_TIME");
    ctx_.LogError("Cрок действия ФН:" + FormatDateTime(date) + " Сделано перерегистраций=" +
                  std::to_string(count) + " Осталось перерегистраций=" + std::to_string(remain));
}

void AtolBackend::LoadPicture(const std::string& word) {
    Connect();
    driver_.SetParam("LIBFPTR_PARAM_FILENAME",
                     ExchangeFilePath(ctx_.Folder(), TextAfterEquals(word, 1000)));
    driver_.Check(driver_.Run("printPicture"), "ATOL_LoadPicture: ");
}

void AtolBackend::PrintQRCode(const std::string& word) {
    Connect();
    const auto eq = word.find('=');
    driver_.SetParam("LIBFPTR_PARAM_BARCODE", eq == std::string::npos ? word : word.substr(eq + 1));
    driver_.SetParam("LIBFPTR_PARAM_BARCODE_TYPE", driver_.Constant("LIBFPTR_BT_QR"));
    driver_.SetParam("LIBFPTR_PARAM_ALIGNMENT", driver_.Constant("LIBFPTR_ALIGNMENT_CENTER"));
    driver_.SetParam("LIBFPTR_PARAM_SCALE", 4);
    driver_.Check(driver_.Run("printBarcode"), "АТОЛ: QR-код не напечатан: ");
}

void AtolBackend::ATOL_ReportEmul(bool closing) {
    if (!ctx_.param.isNotFiscal) {
        throw Failure(closing ? "Подана команда ZOTHETEMUL снять Zотчет с фискального ФР в режиме "
                                "эмуляции!"
                              : "Подана команда XOTHETEMUL снять Zотчет с фискального ФР в режиме "
                                "эмуляции!");
    }
    Connect();
    LoadCounters(ctx_, DeviceKind::Atol);
    CheckEmulParams(ctx_.param);
    const auto lines =
        EmulReportLines(ctx_.param, ctx_.emul, closing, ctx_.clock.Now(), fiscalSign_.Next());
    for (const ReportLine& line : lines) {
        if (line.wrapped)
            ATOL_PrintWrapped(line.caption);
        else
            ATOL_PrintPair(line.caption, line.value);
    }
    ATOL_FeedAndCut();
    if (closing) {
        CloseShiftCounters(ctx_.emul);
        SaveCounters(ctx_, DeviceKind::Atol);
    }
}

}  // namespace orvenka
