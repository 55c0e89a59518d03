#include "backends/shared/emul_counters.h"

#include <climits>
#include <cmath>
#include <filesystem>
#include <optional>

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/key_values.h"
#include "common/numbers.h"
#include "common/text.h"
#include "receipt/amounts.h"
#include "shell/app_context.h"

namespace orvenka {
namespace {

// A counter that reached the top of its range stays there instead of wrapping to a negative
// shift or document number.
void Increment(int& counter) {
    if (counter < INT_MAX)
        ++counter;
}

// A key that is not there takes its default; one whose value is no number means the file is not
// what it seems, and the counters must not silently start again from the defaults.
[[noreturn]] void NotACounter(const std::string& key, const std::string& value) {
    throw Failure(key + "=\"" + value + "\" не число");
}

int IntOf(const KeyValueLines& lines, const std::string& key, int defaultValue) {
    const auto v = lines.Value(key);
    if (!v)
        return defaultValue;
    const auto n = ParseInt(TrimText(*v));
    if (!n)
        NotACounter(key, *v);
    return *n;
}

double MoneyOf(const KeyValueLines& lines, const std::string& key) {
    const auto v = lines.Value(key);
    if (!v)
        return 0;
    const auto d = ParseFloat(TrimText(*v));
    if (!d || !std::isfinite(*d))
        NotACounter(key, *v);
    return *d;
}

const char* const kCounterKeys[] = {
    "SMENA",
    "NUM_FISCAL_DOC",
    "NUM_CHECKINSMENA",
    "NUM_CHECKPRIHODINSMENA",
    "NUM_CHECKRASHODINSMENA",
    "NUM_ZOTCHET",
    "SUM_CHECKPRIHODINSMENA_NAL",
    "SUM_CHECKRASHODINSMENA_NAL",
    "SUM_CHECKRASHODINSMENA_VISA",
    "SUM_CHECKPRIHODINSMENA_VISA",
    "SUM_TOTAL_RASHOD",
    "SUM_TOTAL_PRIHOD",
};

}  // namespace

std::string CountersFileName(const std::string& folder, DeviceKind kind, const std::string& zn) {
    // The accounting system writes ZN; it must not lead the file out of the working folder.
    for (char c : zn) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32) {
            throw Failure("Заводской номер ZN=\"" + zn +
                          "\" не годится для имени файла счетчиков эмулятора: в нем есть знак "
                          "\"/\", \"\\\" или управляющий символ");
        }
    }
    return folder + KindLetter(kind) + zn + ".ini";
}

bool CountersPersisted(const TParam& param) {
    return !IsBlank(param.ZN) && param.isNotFiscal;
}

TEmulVar DefaultCounters() {
    TEmulVar c;
    c.SMENA = 1;
    c.NUM_FISCAL_DOC = 0;
    c.NUM_CHECKINSMENA = 0;
    c.NUM_CHECKPRIHODINSMENA = 0;
    c.NUM_CHECKRASHODINSMENA = 0;
    c.NUM_ZOTCHET = 1;
    c.SUM_CHECKPRIHODINSMENA_NAL = 0;
    c.SUM_CHECKRASHODINSMENA_NAL = 0;
    c.SUM_CHECKRASHODINSMENA_VISA = 0;
    c.SUM_CHECKPRIHODINSMENA_VISA = 0;
    c.SUM_TOTAL_RASHOD = 0;
    c.SUM_TOTAL_PRIHOD = 0;
    return c;
}

TEmulVar CountersFromLines(const std::vector<std::string>& fileLines) {
    const KeyValueLines lines(fileLines);
    bool any = false;
    for (const char* key : kCounterKeys)
        any = any || lines.Has(key);
    if (!any)
        throw Failure("в нём нет ни одного счетчика");
    TEmulVar c;
    c.SMENA = IntOf(lines, "SMENA", 1);
    c.NUM_FISCAL_DOC = IntOf(lines, "NUM_FISCAL_DOC", 0);
    c.NUM_CHECKINSMENA = IntOf(lines, "NUM_CHECKINSMENA", 0);
    c.NUM_CHECKPRIHODINSMENA = IntOf(lines, "NUM_CHECKPRIHODINSMENA", 0);
    c.NUM_CHECKRASHODINSMENA = IntOf(lines, "NUM_CHECKRASHODINSMENA", 0);
    c.NUM_ZOTCHET = IntOf(lines, "NUM_ZOTCHET", 1);
    c.SUM_CHECKPRIHODINSMENA_NAL = MoneyOf(lines, "SUM_CHECKPRIHODINSMENA_NAL");
    c.SUM_CHECKRASHODINSMENA_NAL = MoneyOf(lines, "SUM_CHECKRASHODINSMENA_NAL");
    c.SUM_CHECKRASHODINSMENA_VISA = MoneyOf(lines, "SUM_CHECKRASHODINSMENA_VISA");
    c.SUM_CHECKPRIHODINSMENA_VISA = MoneyOf(lines, "SUM_CHECKPRIHODINSMENA_VISA");
    c.SUM_TOTAL_RASHOD = MoneyOf(lines, "SUM_TOTAL_RASHOD");
    c.SUM_TOTAL_PRIHOD = MoneyOf(lines, "SUM_TOTAL_PRIHOD");
    return c;
}

std::vector<std::string> CountersLines(const TEmulVar& c) {
    return {
        "SMENA=" + std::to_string(c.SMENA),
        "NUM_FISCAL_DOC=" + std::to_string(c.NUM_FISCAL_DOC),
        "NUM_CHECKINSMENA=" + std::to_string(c.NUM_CHECKINSMENA),
        "NUM_CHECKPRIHODINSMENA=" + std::to_string(c.NUM_CHECKPRIHODINSMENA),
        "NUM_CHECKRASHODINSMENA=" + std::to_string(c.NUM_CHECKRASHODINSMENA),
        "NUM_ZOTCHET=" + std::to_string(c.NUM_ZOTCHET),
        "SUM_CHECKPRIHODINSMENA_NAL=" + FormatMoney(c.SUM_CHECKPRIHODINSMENA_NAL),
        "SUM_CHECKRASHODINSMENA_NAL=" + FormatMoney(c.SUM_CHECKRASHODINSMENA_NAL),
        "SUM_CHECKRASHODINSMENA_VISA=" + FormatMoney(c.SUM_CHECKRASHODINSMENA_VISA),
        "SUM_CHECKPRIHODINSMENA_VISA=" + FormatMoney(c.SUM_CHECKPRIHODINSMENA_VISA),
        "SUM_TOTAL_RASHOD=" + FormatMoney(c.SUM_TOTAL_RASHOD),
        "SUM_TOTAL_PRIHOD=" + FormatMoney(c.SUM_TOTAL_PRIHOD),
    };
}

void LoadCounters(TEmulVar& counters, const TParam& param, DeviceKind kind,
                  const std::string& folder) {
    if (!CountersPersisted(param))
        return;
    const std::string path = CountersFileName(folder, kind, param.ZN);
    std::vector<std::string> lines;
    // Only a file that is not there gives the defaults; a folder or an unreadable entry under
    // the name is a failure, or the shift would silently start again from 1.
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec) {
        counters = DefaultCounters();
        return;
    }
    try {
        RefuseLinkedFile(path);
        lines = LoadLines(path, kMaxSmallFileBytes);
    } catch (const Failure& f) {
        throw Failure("Не удалось прочитать счетчики эмулятора: " + std::string(f.what()));
    }
    try {
        counters = CountersFromLines(lines);
    } catch (const Failure& f) {
        // Kept as it is: whoever looks at it finds what was there.
        throw Failure("Файл счетчиков эмулятора " + path + " не прочитан как счетчики (" +
                      f.what() + "), он оставлен как есть. Команда не выполнена");
    }
}

void CheckCounters(const TEmulVar& c) {
    const std::pair<const char*, double> sums[] = {
        {"SUM_CHECKPRIHODINSMENA_NAL", c.SUM_CHECKPRIHODINSMENA_NAL},
        {"SUM_CHECKRASHODINSMENA_NAL", c.SUM_CHECKRASHODINSMENA_NAL},
        {"SUM_CHECKRASHODINSMENA_VISA", c.SUM_CHECKRASHODINSMENA_VISA},
        {"SUM_CHECKPRIHODINSMENA_VISA", c.SUM_CHECKPRIHODINSMENA_VISA},
        {"SUM_TOTAL_RASHOD", c.SUM_TOTAL_RASHOD},
        {"SUM_TOTAL_PRIHOD", c.SUM_TOTAL_PRIHOD},
    };
    for (const auto& [key, value] : sums) {
        if (const auto beyond =
                BeyondLimitText(value, kMaxCounter, std::string("счетчик эмулятора ") + key))
            throw Failure(*beyond);
    }
}

void SaveCounters(const TEmulVar& counters, const TParam& param, DeviceKind kind,
                  const std::string& folder) {
    if (!CountersPersisted(param))
        return;
    const std::string path = CountersFileName(folder, kind, param.ZN);
    try {
        CheckCounters(counters);
        RefuseLinkedFile(path);
        SaveLinesAtomic(path, CountersLines(counters));
    } catch (const Failure& f) {
        throw Failure("Не удалось сохранить счетчики эмулятора: " + std::string(f.what()));
    }
}

void LoadCounters(AppContext& ctx, DeviceKind kind) {
    LoadCounters(ctx.emul, ctx.param, kind, ctx.Folder());
}

void SaveCounters(AppContext& ctx, DeviceKind kind) {
    SaveCounters(ctx.emul, ctx.param, kind, ctx.Folder());
}

void RecordEmulatedReceipt(TEmulVar& c, const std::string& command, double total, double electronic,
                           double cash) {
    Increment(c.NUM_FISCAL_DOC);
    Increment(c.NUM_CHECKINSMENA);
    if (SameTrimmed(command, "RETURN")) {
        Increment(c.NUM_CHECKRASHODINSMENA);
        c.SUM_CHECKRASHODINSMENA_NAL += cash;
        c.SUM_CHECKRASHODINSMENA_VISA += electronic;
        c.SUM_TOTAL_RASHOD += total;
    } else {
        Increment(c.NUM_CHECKPRIHODINSMENA);
        c.SUM_CHECKPRIHODINSMENA_NAL += cash;
        c.SUM_CHECKPRIHODINSMENA_VISA += electronic;
        c.SUM_TOTAL_PRIHOD += total;
    }
}

void CheckReceiptCountable(const TEmulVar& c, const std::string& command, double total,
                           double electronic, double cash) {
    const bool isReturn = SameTrimmed(command, "RETURN");
    const std::pair<const char*, int> counts[] = {
        {"NUM_FISCAL_DOC", c.NUM_FISCAL_DOC},
        {"NUM_CHECKINSMENA", c.NUM_CHECKINSMENA},
        {isReturn ? "NUM_CHECKRASHODINSMENA" : "NUM_CHECKPRIHODINSMENA",
         isReturn ? c.NUM_CHECKRASHODINSMENA : c.NUM_CHECKPRIHODINSMENA},
    };
    for (const auto& [key, value] : counts) {
        if (value >= INT_MAX) {
            throw Failure(std::string("Чек не напечатан: счетчик эмулятора ") + key + "=" +
                          std::to_string(value) +
                          " достиг предела; закройте смену (ZOTCHETEMUL) или исправьте файл "
                          "счетчиков");
        }
    }
    TEmulVar counted = c;
    RecordEmulatedReceipt(counted, command, total, electronic, cash);
    try {
        CheckCounters(counted);
    } catch (const Failure& f) {
        throw Failure(std::string("Чек не напечатан: ") + f.what());
    }
}

void CloseShiftCounters(TEmulVar& c) {
    Increment(c.NUM_ZOTCHET);
    Increment(c.SMENA);
    c.NUM_CHECKINSMENA = 0;
    c.NUM_CHECKPRIHODINSMENA = 0;
    c.NUM_CHECKRASHODINSMENA = 0;
    c.SUM_CHECKPRIHODINSMENA_NAL = 0;
    c.SUM_CHECKPRIHODINSMENA_VISA = 0;
    c.SUM_CHECKRASHODINSMENA_NAL = 0;
    c.SUM_CHECKRASHODINSMENA_VISA = 0;
}

}  // namespace orvenka
