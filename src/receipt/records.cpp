#include "receipt/records.h"

#include <cmath>

#include "common/text.h"

namespace orvenka {

std::string TaxSystemName(const std::string& code) {
    const std::string c = UpperRus(TrimText(code));
    if (c == "DOH")
        return "УСН Доход";
    if (c == "DOHRASH")
        return "УСН Доход-Расход";
    if (c == "ENVD")
        return "ЕНВД";
    if (c == "PATENT")
        return "Патентная система";
    return "ОСН";
}

std::string PadZeros(int width, const std::string& text) {
    const long missing = width - static_cast<long>(CharCount(text));
    return missing > 0 ? std::string(static_cast<size_t>(missing), '0') + text : text;
}

namespace {

// A time difference in whole milliseconds. Days are fractions of binary floating point: a
// whole second is rarely exact (12:00:00 may come out as 11:59:59.9999999), so the value is
// first taken to the millisecond, the finest unit the clocks deliver. Out-of-range values
// (garbage from a device) are clamped instead of overflowing.
int64_t DaysToMs(double days) {
    const double ms = std::round(days * 86400000.0);
    constexpr double kLimit = 9.0e18;
    if (std::isnan(ms))
        return 0;
    if (ms >= kLimit)
        return static_cast<int64_t>(kLimit);
    if (ms <= -kLimit)
        return -static_cast<int64_t>(kLimit);
    return static_cast<int64_t>(ms);
}

}  // namespace

int64_t UnixSeconds(TDateTime t) {
    return DaysToMs(t - 25569.0) / 1000;  // integer division truncates toward zero
}

bool ClockDiffBelow(int64_t limitMinutes, TDateTime first, TDateTime second) {
    const int64_t ms = DaysToMs(second - first);
    // Minutes rounded to the nearest integer, halves to even, in exact integer arithmetic.
    int64_t minutes = ms / 60000;
    const int64_t rest = ms % 60000;  // same sign as ms
    if (rest > 30000 || (rest == 30000 && minutes % 2 != 0)) {
        ++minutes;
    } else if (rest < -30000 || (rest == -30000 && minutes % 2 != 0)) {
        --minutes;
    }
    return minutes < limitMinutes;
}

double GoodsTotal(const TParam& param, const std::vector<TTovar>& goods) {
    double total = 0;
    for (const auto& t : goods) {
        double amount = param.CENA_AS_SUMMA ? t.Cena : t.Kolvo * t.Cena;
        if (param.SUMMADOC == 0)
            amount = std::trunc(amount / 0.01 + 0.5) * 0.01;
        total += amount;
    }
    return total;
}

}  // namespace orvenka
