#include "drivers/native/native_values.h"

#include <cmath>
#include <limits>

#include "common/failure.h"
#include "common/text.h"

namespace orvenka::native {

static_assert(sizeof(wchar_t) == sizeof(char32_t), "the ATOL driver's text is UTF-32");

int64_t ToDriverMoney(double roubles) {
    const double units = std::round(roubles * static_cast<double>(kKopecksPerRouble));
    // 2^63 is exact as a double; anything at or above it does not fit.
    if (!std::isfinite(units) || units >= 9223372036854775808.0 || units < -9223372036854775808.0)
        throw Failure("сумма вне допустимого диапазона драйвера");
    return static_cast<int64_t>(units);
}

double FromDriverMoney(int64_t units) {
    return static_cast<double>(units) / static_cast<double>(kKopecksPerRouble);
}

std::wstring ToWide(std::string_view utf8) {
    const std::u32string u = ToU32(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string FromWide(std::wstring_view text) {
    std::u32string u;
    u.reserve(text.size());
    for (const wchar_t c : text) {
        const auto v = static_cast<uint32_t>(c);
        u.push_back(v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF) ? U'\uFFFD'
                                                                 : static_cast<char32_t>(v));
    }
    return FromU32(u);
}

std::time_t ToTimeT(TDateTime t) {
    const SixInts s = ToSixInts(t);
    std::tm tm{};
    tm.tm_year = s.year - 1900;
    tm.tm_mon = s.month - 1;
    tm.tm_mday = s.day;
    tm.tm_hour = s.hour;
    tm.tm_min = s.minute;
    tm.tm_sec = s.second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TDateTime FromTimeT(std::time_t t) {
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        throw Failure("драйвер вернул недопустимое время " + std::to_string(t));
    return FromSixInts(
        {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
}

SixInts ToSixInts(TDateTime t) {
    if (!std::isfinite(t) || t < -693593 || t > 2958466)
        throw Failure("недопустимая дата для драйвера");
    // Whole seconds, rounded, so 10:30:15 never arrives as 10:30:14.999.
    const DateParts p = DecodeDateTime(std::round(t * 86400.0) / 86400.0);
    return {p.year, p.month, p.day, p.hour, p.minute, p.second};
}

TDateTime FromSixInts(const SixInts& s) {
    if (!IsValidDate(s.year, s.month, s.day) || s.hour < 0 || s.hour > 23 || s.minute < 0 ||
        s.minute > 59 || s.second < 0 || s.second > 59)
        return 0;
    return EncodeDateTime({s.year, s.month, s.day, s.hour, s.minute, s.second, 0});
}

}  // namespace orvenka::native
