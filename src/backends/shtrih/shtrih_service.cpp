// Reports, cash in and out, shift, drawer, copies, fiscal storage and OFD state, emulated
// reports, pictures and QR codes.
#include <algorithm>

#include "backends/shared/emul_counters.h"
#include "backends/shared/emul_report.h"
#include "backends/shared/exchange_file.h"
#include "backends/shtrih/shtrih_backend.h"
#include "backends/shtrih/shtrih_driver.h"
#include "common/numbers.h"
#include "common/text.h"
#include "shell/app_context.h"
#include "shell/dispatch.h"

namespace orvenka {

using shtrih::Check;
using shtrih::kAdmin;
using shtrih::kOperator;

namespace {

constexpr int kPictureLines = 200;
constexpr int kPictureBytes = 40;  // 320 dots

}  // namespace

void ShtrihBackend::ServiceReport(const char* method) {
    FR_Prepare();
    Password(kAdmin);
    Check(Fr(), Call(method));
    FR_OpenDrawer();
}

bool ShtrihBackend::FR_ZReport() {
    ServiceReport("PrintReportWithCleaning");
    return true;
}

bool ShtrihBackend::FR_XReport() {
    ServiceReport("PrintReportWithoutCleaning");
    return true;
}

bool ShtrihBackend::FR_DepartmentReport() {
    ServiceReport("PrintDepartmentReport");
    return true;
}

bool ShtrihBackend::CashOperation(const char* method, double sum) {
    FR_Prepare();
    FR_PrintHeader();
    Password(kAdmin);
    Fr().Set("Summ1", sum);
    Check(Fr(), Call(method));
    return true;
}

bool ShtrihBackend::FR_CashIn(double sum) {
    return CashOperation("CashIncome", sum);
}

bool ShtrihBackend::FR_CashOut(double sum) {
    return CashOperation("CashOutcome", sum);
}

void ShtrihBackend::FR_OpenSession() {
    FR_Prepare();
    Password(kAdmin);
    Check(Fr(), Call("OpenSession"));
}

void ShtrihBackend::FR_OpenDrawer() {
    FR_Prepare();
    Password(kAdmin);
    Fr().Set("DrawerNumber", 0);
    Call("OpenDrawer");
}

void ShtrihBackend::FR_PrintCopyLastCheck() {
    FR_Prepare();
    Password(kOperator);
    Check(Fr(), Call("RepeatDocument"), "1 FR_PrintCopyLastCheck ResultCodeDescription:");
    Password(kOperator);
    Check(Fr(), Call("GetECRStatus"), "2 FR_PrintCopyLastCheck Exception:");
}

void ShtrihBackend::FR_PrintCopyLastCheckForNum(const std::string& number, int password) {
    FR_Prepare();
    const auto document = ParseInt(number);
    if (!document)
        throw Failure("'" + number + "' не является целым числом");
    Password(password);
    Fr().Set("DocumentNumber", *document);
    Check(Fr(), Call("FNPrintDocument"),
          "FR_PrintCopyLastCheckForNum ResultCodeDescription Копия документа по номеру документа "
          "ФД Ошибка:");
}

void ShtrihBackend::FR_ShowUnsentFD() {
    FR_Prepare();
    std::string count, first, time;
    ShtrihToTable(kAdmin, 20, true, false, count, 1, 3);
    ShtrihToTable(kAdmin, 20, true, false, first, 1, 4);
    ShtrihToTable(kAdmin, 20, true, false, time, 1, 5);
    ctx_.LogError("Количество неотправленных ФД " + count + "\rПервый неотправленный ФД № " +
                  first + "\r Дата/Время:" + time + "\r");
}

void ShtrihBackend::FR_ShowTestLinkOFD() {
    FR_Prepare();
    std::string text;
    for (int field = 8; field <= 17; ++field) {
        std::string value;
        ShtrihToTable(kAdmin, 20, true, false, value, 1, field);
        text += "\r" + value;
    }
    ctx_.LogError("Проверка связи с ОФД:" + text);
}

void ShtrihBackend::FR_ShowSrokFN() {
    FR_Prepare();
    AutomationObject& fr = Fr();
    Password(kAdmin);
    Check(fr, Call("FNGetExpirationTime"),
          "FR_ShowSrokFN ResultCodeDescription Срок действия ФН Ошибка:");
    ctx_.LogError("btnShtrihSrokFNClick:Cрок Действия ФН=" +
                  FormatDate(shtrih::DriverDate(fr, "Date")));
    ctx_.LogError("Количество регистраций = " + fr.GetText("RegistrationNumber"));
    ctx_.LogError("Осталось регистраций = " + fr.GetText("FreeRegistration"));
}

bool ShtrihBackend::FR_ReportEmul(bool closing) {
    FR_Prepare();
    if (!ctx_.param.isNotFiscal) {
        throw Failure(closing ? "Подана команда ZOTHETEMUL снять Zотчет с фискального ФР в "
                                "режиме эмуляции!"
                              : "Подана команда XOTHETEMUL снять Zотчет с фискального ФР в "
                                "режиме эмуляции!");
    }
    LoadCounters(ctx_, DeviceKind::Shtrih);
    for (const ReportLine& line :
         EmulReportLines(ctx_.param, ctx_.emul, closing, ctx_.clock.Now(), fiscalSign_.Next())) {
        if (line.wrapped) {
            FR_PrintWrapped(line.caption);
        } else {
            FR_PrintPair(line.caption, line.value);
        }
    }
    FR_Cut();
    if (closing) {
        CloseShiftCounters(ctx_.emul);
        SaveCounters(ctx_, DeviceKind::Shtrih);
    }
    return true;
}

bool ShtrihBackend::FR_ZReportEmul() {
    return FR_ReportEmul(true);
}

bool ShtrihBackend::FR_XReportEmul() {
    return FR_ReportEmul(false);
}

void ShtrihBackend::FR_LoadPicture(const std::string& commandText) {
    FR_Prepare();
    const std::string file = ExchangeFilePath(ctx_.Folder(), TextAfterEquals(commandText, 1000));
    const Picture picture = ctx_.platform.LoadPicture(file);
    if (picture.width <= 0 || picture.height <= 0)
        return;
    AutomationObject& fr = Fr();
    Password(kAdmin);
    const int lines = std::min(picture.height, kPictureLines);
    const int width = std::min(picture.width, kPictureBytes * 8);
    for (int y = 0; y < lines; ++y) {
        Bytes raster(kPictureBytes, 0);
        for (int x = 0; x < width; ++x) {
            if (picture.Black(x, y))
                raster[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(1u << (x % 8));
        }
        fr.Set("LineNumber", y);
        fr.Set("LineData", raster);
        // A refused line ends the loading; the register holds only part of the picture then,
        // which the caller must hear of.
        if (Call("LoadLineData") != 0) {
            throw Failure("Картинка " + file + " загружена не полностью, строка " +
                          std::to_string(y) + ": " + fr.GetText("ResultCodeDescription"));
        }
    }
}

void ShtrihBackend::FR_DrawPicture() {
    if (!ctx_.param.PRINT_PICTURE)
        return;
    AutomationObject& fr = Fr();
    Password(kAdmin);
    fr.Set("FirstLineNumber", 1);
    fr.Set("LastLineNumber", 100);
    if (Call("Draw") != 0)
        ctx_.LogMessage(fr.GetText("ResultCodeDescription"));
}

void ShtrihBackend::FR_PrintQRCode(const std::string& commandText) {
    FR_Prepare();
    const auto eq = commandText.find('=');
    const std::string data = eq == std::string::npos ? commandText : commandText.substr(eq + 1);
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (const char c : data) {
        const auto b = static_cast<unsigned char>(c);
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    const size_t bytes = data.size();
    if (bytes <= 64)
        hex.resize(128, '0');
    AutomationObject& fr = Fr();
    for (size_t block = 0; block * 64 < bytes; ++block) {
        fr.Set("BlockType", 0);
        fr.Set("BlockNumber", static_cast<int64_t>(block));
        fr.Set("BlockDataHex", hex.substr(block * 128, 128));
        Call("LoadBlockData");
    }
    fr.Set("BarcodeType", 3);
    fr.Set("BarcodeDataLength", static_cast<int64_t>(bytes));
    fr.Set("BarcodeStartBlockNumber", 0);
    fr.Set("BarcodeParameter1", 0);
    fr.Set("BarcodeParameter2", 0);
    fr.Set("BarcodeParameter3", 7);
    fr.Set("BarcodeParameter4", 0);
    fr.Set("BarcodeParameter5", 2);
    fr.Set("BarcodeAlignment", 0);
    Password(kAdmin);
    // A code the register did not print is no success to report.
    Check(fr, Call("Print2DBarcode"), "Печать QR-кода:");
    Call("WaitForPrinting");
}

}  // namespace orvenka
