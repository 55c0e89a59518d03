// Connection, logical device, state repair, clock check, widths, tables and text lines.
#include <algorithm>
#include <thread>

#include "backends/shared/emul_report.h"
#include "backends/shtrih/shtrih_backend.h"
#include "backends/shtrih/shtrih_driver.h"
#include "common/numbers.h"
#include "common/text.h"
#include "shell/app_context.h"

namespace orvenka {

using shtrih::Check;
using shtrih::kAdmin;
using shtrih::kOperator;

namespace {

// Widths a receipt printer can have; anything else is a driver's garbage.
constexpr int kMaxPaperWidth = 1000;
// A logical-device count beyond this is garbage, not a list to walk.
constexpr int kMaxLogicalDevices = 256;

}  // namespace

ShtrihBackend::ShtrihBackend(AppContext& ctx, std::shared_ptr<DriverFactory> drivers,
                             ShtrihOptions options)
    : ctx_(ctx), drivers_(std::move(drivers)), options_(std::move(options)) {}

AutomationObject& ShtrihBackend::Fr() {
    if (!st_.fr) {
        throw Failure("Штрих: нет объекта драйвера " + std::string(shtrih::kProgId) +
                      (st_.createError.empty() ? "" : ": " + st_.createError));
    }
    return *st_.fr;
}

void ShtrihBackend::Password(int password) {
    Fr().Set("Password", password);
}

int ShtrihBackend::Call(const char* method) {
    return Fr().CallInt(method);
}

bool ShtrihBackend::FR_CreateDriver() {
    st_.ReceiptOpen = false;
    st_.fr.reset();
    try {
        st_.fr = drivers_->Create(shtrih::kProgId);
        st_.createError.clear();
        return true;
    } catch (const std::exception& e) {
        st_.createError = e.what();
        ctx_.LogMessage("Штрих:Ошибка подключения к ФР:" + st_.createError);
        return false;
    }
}

void ShtrihBackend::ReleaseDriver() {
    st_.fr.reset();
}

std::string ShtrihBackend::DriverState() const {
    if (!drivers_->Knows(shtrih::kProgId))
        return std::string("драйвер ") + shtrih::kProgId + " не установлен";
    const std::string library = drivers_->Describe(shtrih::kProgId);
    if (!library.empty())
        return library;
    return std::string("симулятор (") + shtrih::kProgId +
           "): лента DrvFR.sim.tape.txt, состояние DrvFR.sim.state.ini в папке программы";
}

void ShtrihBackend::FR_Prepare() {
    if (!ctx_.ConnectPending)
        return;
    ctx_.ConnectPending = false;
    if (!st_.fr)
        FR_CreateDriver();
    st_.ReceiptOpen = false;
    if (ctx_.device.LogicalDevice == 0)
        ctx_.device.LogicalDevice = 1;
    const int wanted = ctx_.device.LogicalDevice;

    if (!st_.fr) {
        throw Failure("Ошибка опроса логического устройства:нет объекта драйвера " +
                      std::string(shtrih::kProgId) + ": " + st_.createError);
    }
    AutomationObject& fr = Fr();
    Check(fr, fr.CallInt("GetActiveLD"), "Ошибка опроса логического устройства:");
    if (fr.GetInt("LDNumber") != wanted) {
        fr.Set("LDNumber", wanted);
        Check(fr, fr.CallInt("SetActiveLD"),
              "Ошибка подключения к логическому устройству " + std::to_string(wanted) + ":");
    }
    if (!st_.LinkChecked) {
        st_.LinkChecked = true;
        Password(kAdmin);
        Check(fr, Call("Beep"));
    }
    FR_FixState();
    const TDateTime registerClock = FR_GetClock();

    TParam& p = ctx_.param;
    if (p.PRN_WIDHT <= 0)
        p.PRN_WIDHT = FontWidth(1, 50);
    if (p.PRN_WIDHT_ITOG <= 0)
        p.PRN_WIDHT_ITOG = FontWidth(2, 25);
    if (p.NameFull)
        p.Name = p.PRN_WIDHT;

    const TDateTime now = ctx_.clock.Now();
    if (!ClockDiffBelow(100, now, registerClock)) {
        throw Failure("Время ФР (" + FormatDateTime(registerClock) + ") отличается от времени\r" +
                      "терминала(" + FormatDateTime(now) + ") установите правильное время!");
    }
}

int ShtrihBackend::FontWidth(int fontType, int fallback) {
    try {
        AutomationObject& fr = Fr();
        Password(kAdmin);
        fr.Set("FontType", fontType);
        if (Call("GetFontMetrics") != 0)
            return fallback;
        const int64_t printWidth = fr.GetInt("PrintWidth");
        const int64_t charWidth = fr.GetInt("CharWidth");
        // A zero or negative metric would divide by zero or give no line at all.
        if (charWidth <= 0 || printWidth / charWidth < 1 || printWidth / charWidth > kMaxPaperWidth)
            return fallback;
        return static_cast<int>(printWidth / charWidth);
    } catch (const std::exception&) {
        return fallback;
    }
}

void ShtrihBackend::FR_FixState() {
    AutomationObject& fr = Fr();
    Password(kOperator);
    Check(fr, Call("GetECRStatus"));
    if (fr.GetInt("ECRAdvancedMode") == 3) {
        Password(kOperator);
        Call("ContinuePrint");
    }
    switch (fr.GetInt("ECRMode")) {
        case 3:
            Password(kAdmin);
            Check(fr, Call("PrintReportWithCleaning"));
            WaitForRegister("закрытия смены, превысившей 24 часа (режим 3)");
            break;
        case 6:
            Password(kAdmin);
            Call("ConfirmDate");
            WaitForRegister("подтверждения даты (режим 6)");
            break;
        case 8:
            Password(kAdmin);
            Call("SysAdminCancelCheck");
            break;
        default:
            break;
    }
}

void ShtrihBackend::WaitForRegister(const std::string& what) {
    std::string last;
    const int polls = std::max(1, options_.statusPolls);
    for (int i = 0; i < polls; ++i) {
        Password(kOperator);
        const int result = Call("GetECRStatus");
        if (result == 0)
            return;
        last = Fr().GetText("ResultCodeDescription");
        if (i + 1 < polls) {
            if (options_.sleep) {
                options_.sleep(options_.pollPause);
            } else {
                std::this_thread::sleep_for(options_.pollPause);
            }
        }
    }
    const auto waited =
        std::chrono::duration_cast<std::chrono::seconds>(options_.pollPause * (polls - 1));
    throw Failure("Штрих: ФР не вернулся к работе после " + what + ": " + std::to_string(polls) +
                  " запросов состояния за " + std::to_string(waited.count()) +
                  " с, последний ответ: " + last);
}

TDateTime ShtrihBackend::FR_GetClock() {
    try {
        FR_Prepare();
        AutomationObject& fr = Fr();
        Password(kAdmin);
        const TDateTime date = shtrih::DriverDate(fr, "Date");
        Password(kAdmin);
        const TDateTime time = shtrih::DriverDate(fr, "Time");
        DateParts parts = DecodeDateTime(date);
        const DateParts clock = DecodeDateTime(time);
        parts.hour = clock.hour;
        parts.minute = clock.minute;
        parts.second = clock.second;
        parts.millisecond = 0;
        return EncodeDateTime(parts);
    } catch (const std::exception& e) {
        ctx_.LogError(e.what());
        return 0;
    }
}

int ShtrihBackend::SelectLogicalDevice() {
    try {
        AutomationObject& fr = Fr();
        Check(fr, fr.CallInt("GetCountLD"));
        const int64_t count = std::min<int64_t>(fr.GetInt("LDCount"), kMaxLogicalDevices);
        if (count < 2)
            return 1;
        std::vector<std::string> lines;
        std::vector<int> numbers;
        for (int index = 0; index < count; ++index) {
            fr.Set("LDIndex", index);
            if (fr.CallInt("EnumLD") != 0)
                continue;
            const int64_t number = fr.GetInt("LDNumber");
            lines.push_back(std::to_string(number) + "." + fr.GetText("LDName") + " COM" +
                            fr.GetText("LDComNumber"));
            numbers.push_back(static_cast<int>(number));
        }
        // The dialog answers the place of the line; the register is the number written in it.
        const int position = ctx_.platform.SelectLogicalDevice(lines);
        if (position < 1 || position > static_cast<int>(numbers.size()))
            return position < 0 ? -1 : 0;
        return numbers[static_cast<size_t>(position - 1)];
    } catch (const std::exception& e) {
        ctx_.LogError(e.what());
        return -1;
    }
}

bool ShtrihBackend::ShtrihToTable(int password, int table, bool isText, bool write,
                                  std::string& value, int row, int field) {
    AutomationObject& fr = Fr();
    Password(password);
    fr.Set("TableNumber", table);
    fr.Set("RowNumber", row);
    fr.Set("FieldNumber", field);
    Check(fr, Call("ReadTable"), "1 ShtrihToTable ResultCodeDescription:");
    if (!write) {
        value = isText ? fr.GetText("ValueOfFieldString")
                       : std::to_string(fr.GetInt("ValueOfFieldInteger"));
        return true;
    }
    if (isText) {
        if (SameTrimmed(fr.GetText("ValueOfFieldString"), value))
            return true;
        fr.Set("ValueOfFieldString", value);
    } else {
        const auto wanted = ParseInt(value);
        if (!wanted)
            throw Failure("ShtrihToTable: '" + value + "' не является целым числом");
        if (fr.GetInt("ValueOfFieldInteger") == *wanted)
            return true;
        fr.Set("ValueOfFieldInteger", *wanted);
    }
    Check(fr, Call("WriteTable"), "2 ShtrihToTable ResultCodeDescription:");
    return true;
}

void ShtrihBackend::FR_WriteTable(int password, int table, const std::string& kind,
                                  const std::string& value, int row, int field) {
    AutomationObject& fr = Fr();
    Password(password);
    fr.Set("TableNumber", table);
    fr.Set("FieldNumber", field);
    Call("GetFieldStruct");
    Password(password);
    fr.Set("TableNumber", table);
    fr.Set("FieldNumber", field);
    fr.Set("RowNumber", row);
    if (kind == "STR") {
        fr.Set("ValueOfFieldString", value);
    } else {
        const auto number = ParseInt(value);
        if (!number)
            throw Failure("'" + value + "' не является целым числом");
        fr.Set("ValueOfFieldInteger", *number);
    }
    Check(fr, Call("WriteTable"));
}

void ShtrihBackend::FR_ShowProperties() {
    try {
        FR_Prepare();
        Call("ShowProperties");
    } catch (const std::exception& e) {
        ctx_.LogError("Штрих:ShowPropertion:" + std::string(e.what()));
    }
}

// A line the register refused fails the document: a receipt, report or text the customer or
// the operator never got is no success, and its counters must not move.
void ShtrihBackend::FR_PrintLine(const std::string& text, bool wide) {
    FR_Prepare();
    AutomationObject& fr = Fr();
    Password(kOperator);
    fr.Set("UseReceiptRibbon", true);
    fr.Set("UseJournalRibbon", true);
    fr.Set("StringForPrinting", text);
    Check(fr, Call(wide ? "PrintWideString" : "PrintString"), "Штрих: текст не напечатан: ");
}

void ShtrihBackend::FR_PrintPair(const std::string& left, const std::string& right) {
    const long room =
        std::min<long>(ctx_.param.PRN_WIDHT, kEmulMaxWidth) - static_cast<long>(CharCount(right));
    FR_PrintLine(FitText(left, std::max(0L, room), false) + right, false);
}

void ShtrihBackend::FR_PrintWrapped(const std::string& text) {
    const TParam& p = ctx_.param;
    const long width = std::min<long>(p.PRN_WIDHT >= 1 ? p.PRN_WIDHT
                                      : p.Name >= 1    ? p.Name
                                                       : 100,
                                      kEmulMaxWidth);
    std::string rest = text;
    while (!rest.empty()) {
        FR_PrintLine(LeftChars(rest, width), false);
        rest = MidChars(rest, width + 1, 1000);
    }
}

void ShtrihBackend::FR_Cut() {
    try {
        FR_Prepare();
        for (int i = 0; i < 6; ++i)
            FR_PrintLine("\u00A0", false);
        Password(kOperator);
        Fr().Set("CutType", true);
        Call("CutCheck");
    } catch (const std::exception& e) {
        ctx_.LogError(e.what());
    }
}

}  // namespace orvenka
