#include "common/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace orvenka {

std::optional<int> ParseInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16, ++i;
    } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        base = 16, ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16, i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int d = -1;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        }
        if (d < 0)
            return std::nullopt;
        value = value * base + d;
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (base == 16) {
        // Hexadecimal covers the whole 32-bit pattern, as the register tables write it.
        // "-$80000000" must not negate INT_MIN: negate the bit pattern instead.
        auto bits = static_cast<uint32_t>(value);
        if (negative)
            bits = 0u - bits;
        return static_cast<int32_t>(bits);
    }
    if (negative) {
        if (value > 2147483648ull)
            return std::nullopt;
        return static_cast<int>(-static_cast<int64_t>(value));
    }
    if (value > 2147483647ull)
        return std::nullopt;
    return static_cast<int>(value);
}

int ReadInt(std::string_view text, int defaultValue) {
    return ParseInt(text).value_or(defaultValue);
}

std::optional<double> ParseFloat(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    std::string_view t = text.substr(b, e - b);
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    // Digits, at most one ".", an optional exponent: nothing else (no "inf", no hex).
    size_t i = 0;
    size_t digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9')
        ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-'))
            ++j;
        size_t expDigits = 0;
        while (j < t.size() && t[j] >= '0' && t[j] <= '9')
            ++j, ++expDigits;
        if (expDigits == 0)
            return std::nullopt;
        i = j;
    }
    if (i != t.size())
        return std::nullopt;
    std::string buf(t);
    if (buf[0] == '.')
        buf.insert(buf.begin(), '0');
    if (auto p = buf.find('+'); p != std::string::npos)
        buf.erase(p, 1);
    double value = 0;
    const auto res = std::from_chars(buf.data(), buf.data() + buf.size(), value);
    if (res.ec == std::errc::result_out_of_range)
        return std::nullopt;
    if (res.ec != std::errc() || res.ptr != buf.data() + buf.size())
        return std::nullopt;
    if (!std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

double ReadFloat(std::string_view text, double defaultValue) {
    return ParseFloat(text).value_or(defaultValue);
}

std::string FormatFixed(double value, int decimals) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    char buf[64];
    // 15 significant digits: d.dddddddddddddde±X
    auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    std::string sci(buf, res.ptr);
    std::string digits = sci.substr(0, 1) + sci.substr(2, 14);
    const int exp = std::stoi(sci.substr(sci.find('e') + 1));
    const long keep = static_cast<long>(exp) + 1 + decimals;  // significant digits to keep
    std::string n;                                            // value * 10^decimals, as digits
    if (keep > 15) {
        n = digits + std::string(static_cast<size_t>(keep - 15), '0');
    } else if (keep < 0) {
        n = "0";
    } else {
        n = keep == 0 ? "0" : digits.substr(0, static_cast<size_t>(keep));
        if (keep < 15 && digits[static_cast<size_t>(keep)] >= '5') {
            int k = static_cast<int>(n.size()) - 1;
            while (k >= 0 && n[k] == '9')
                n[k--] = '0';
            if (k < 0) {
                n.insert(n.begin(), '1');
            } else {
                ++n[k];
            }
        }
    }
    const auto first = n.find_first_not_of('0');
    n = first == std::string::npos ? "0" : n.substr(first);
    const bool zero = n == "0";
    if (n.size() < static_cast<size_t>(decimals) + 1) {
        n.insert(0, static_cast<size_t>(decimals) + 1 - n.size(), '0');
    }
    if (decimals > 0)
        n.insert(n.size() - static_cast<size_t>(decimals), ".");
    return (value < 0 && !zero) ? "-" + n : n;
}

double RoundViaMask(double value, int decimals) {
    return ReadFloat(FormatFixed(value, decimals), 0);
}

std::string FormatGeneral(double value) {
    if (!std::isfinite(value))
        return FormatFixed(value, 0);
    if (value == 0)
        return "0";  // also -0.0
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string s(buf, res.ptr);
    const auto e = s.find('e');
    if (e == std::string::npos)
        return s;
    std::string mant = s.substr(0, e);
    int exp = std::stoi(s.substr(e + 1));
    return mant + "E" + std::to_string(exp);
}

}  // namespace orvenka
