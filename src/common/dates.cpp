#include "common/dates.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "common/failure.h"
#include "common/text.h"

namespace orvenka {
namespace {

// Days from 0001-01-01 (proleptic Gregorian) for a civil date.
int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;  // days since 1970-01-01
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

constexpr int64_t kDelphiEpochUnixDays = 25569;  // 1970-01-01 as a TDateTime

std::string Two(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

// One number of a date text: blanks before it, then 1..maxDigits decimal digits and nothing
// else (no sign, no hexadecimal).
std::optional<int> DateNumber(std::string_view part, size_t maxDigits) {
    while (!part.empty() && part.front() == ' ')
        part.remove_prefix(1);
    if (part.empty() || part.size() > maxDigits)
        return std::nullopt;
    int v = 0;
    for (char c : part) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

size_t YearDigits(std::string_view part) {
    while (!part.empty() && part.front() == ' ')
        part.remove_prefix(1);
    return part.size();
}

}  // namespace

bool IsValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int max = month == 2 && leap ? 29 : kDays[month - 1];
    return day <= max;
}

TDateTime EncodeDateTime(const DateParts& p) {
    const double days =
        static_cast<double>(DaysFromCivil(p.year, p.month, p.day) + kDelphiEpochUnixDays);
    const double frac =
        (p.hour * 3600000.0 + p.minute * 60000.0 + p.second * 1000.0 + p.millisecond) / 86400000.0;
    return days + frac;
}

DateParts DecodeDateTime(TDateTime t) {
    DateParts p;
    // Milliseconds of the whole value, rounded, so 23:59:59.9995 does not print as 24:00:00.
    const double totalMs = std::round(t * 86400000.0);
    const int64_t ms = static_cast<int64_t>(totalMs);
    int64_t days = ms / 86400000;
    int64_t rest = ms % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    CivilFromDays(days - kDelphiEpochUnixDays, p.year, p.month, p.day);
    p.hour = static_cast<int>(rest / 3600000);
    p.minute = static_cast<int>(rest / 60000 % 60);
    p.second = static_cast<int>(rest / 1000 % 60);
    p.millisecond = static_cast<int>(rest % 1000);
    return p;
}

std::string FormatDate(TDateTime t) {
    const auto p = DecodeDateTime(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", p.day, p.month, p.year);
    return buf;
}

std::string FormatTime(TDateTime t) {
    const auto p = DecodeDateTime(t);
    return Two(p.hour) + ":" + Two(p.minute) + ":" + Two(p.second);
}

std::string FormatDateTime(TDateTime t) {
    return FormatDate(t) + " " + FormatTime(t);
}

int StrToDateInt(const std::string& text) {
    const std::string t = TrimText(text);
    if (t.empty() || t == "...")
        return 0;
    const auto bad = [&]() -> Failure { return Failure("StrToDateInt:Плохая дата(" + t + ")"); };
    std::string s = t;
    if (CharCount(s) != 10) {
        // Read by the short date format (d.m.y, two-digit years 00-50 in this century) and
        // written back in it.
        const auto parts = SplitText(s, '.');
        if (parts.size() != 3)
            throw bad();
        const auto d = DateNumber(parts[0], 2);
        const auto m = DateNumber(parts[1], 2);
        auto y = DateNumber(parts[2], 4);
        if (!d || !m || !y)
            throw bad();
        if (YearDigits(parts[2]) <= 2)
            *y += *y <= 50 ? 2000 : 1900;
        if (!IsValidDate(*y, *m, *d))
            throw bad();
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", *d, *m, *y);
        s = buf;
    }
    if (s.size() != 10)
        throw bad();
    const std::string digits = s.substr(6, 4) + s.substr(3, 2) + s.substr(0, 2);
    for (char c : digits) {
        if (c < '0' || c > '9')
            throw bad();
    }
    // Taken by position, but a day that is not in the calendar is still a bad date.
    const int value = std::stoi(digits);
    if (!IsValidDate(value / 10000, value / 100 % 100, value % 100))
        throw bad();
    return value;
}

int DateToInt(TDateTime date) {
    return StrToDateInt(FormatDate(date));
}

}  // namespace orvenka
