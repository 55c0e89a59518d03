#include "common/text.h"

#include <algorithm>

#include "common/numbers.h"
#include "common/utf8.h"

namespace orvenka {
namespace {

// A broken sequence counts as one "?" per byte, so that counting, cutting and comparing all
// see the same characters the file codec writes.
char32_t NextChar(std::string_view s, size_t& i) {
    char32_t cp = 0;
    return DecodeUtf8(s, i, cp) ? cp : U'?';
}

bool IsSpace(char c) {
    return c != '\0' && static_cast<unsigned char>(c) <= 32;
}

// Items of the comma-separated-text rule; p walks the line, end is a NUL or the line's end.
std::string TakeQuoted(std::string_view text, size_t& p) {
    std::string item;
    ++p;  // opening quote
    while (p < text.size()) {
        const char c = text[p];
        if (c == '"') {
            if (p + 1 < text.size() && text[p + 1] == '"') {
                item += '"';
                p += 2;
                continue;
            }
            ++p;  // closing quote
            return item;
        }
        item += c;
        ++p;
    }
    return item;
}

char32_t UpperCp(char32_t c) {
    if (c >= U'a' && c <= U'z')
        return c - 32;
    if (c >= 0x0430 && c <= 0x044F)
        return c - 0x20;
    if (c >= 0x0450 && c <= 0x045F)
        return c - 0x50;
    if (c == 0x0491)
        return 0x0490;
    return c;
}

std::u32string UpperU32(std::string_view text) {
    std::u32string u = ToU32(text);
    for (auto& c : u)
        c = UpperCp(c);
    return u;
}

}  // namespace

std::u32string ToU32(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size())
        out += NextChar(text, i);
    return out;
}

std::string FromU32(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : text)
        AppendUtf8(out, cp);
    return out;
}

size_t CharCount(std::string_view text) {
    size_t n = 0;
    size_t i = 0;
    while (i < text.size()) {
        NextChar(text, i);
        ++n;
    }
    return n;
}

std::string LeftChars(std::string_view text, long n) {
    if (n <= 0)
        return {};
    std::u32string u = ToU32(text);
    if (static_cast<size_t>(n) >= u.size())
        return std::string(text);
    return FromU32(std::u32string_view(u).substr(0, static_cast<size_t>(n)));
}

std::string MidChars(std::string_view text, long from, long count) {
    if (count <= 0)
        return {};
    if (from < 1)
        from = 1;
    std::u32string u = ToU32(text);
    if (static_cast<size_t>(from) > u.size())
        return {};
    return FromU32(
        std::u32string_view(u).substr(static_cast<size_t>(from - 1), static_cast<size_t>(count)));
}

std::string CutLongText(std::string_view text, size_t maxChars) {
    if (text.size() <= maxChars)
        return std::string(text);  // never more characters than bytes
    size_t i = 0;
    for (size_t n = 0; n < maxChars && i < text.size(); ++n)
        NextChar(text, i);
    if (i >= text.size())
        return std::string(text);
    return std::string(text.substr(0, i)) + " …[обрезано, всего " +
           std::to_string(CharCount(text)) + " символов]";
}

std::string UpperLatin(std::string_view text) {
    std::string out(text);
    for (auto& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    }
    return out;
}

std::string UpperRus(std::string_view text) {
    return FromU32(UpperU32(text));
}

bool SameNoCase(std::string_view a, std::string_view b) {
    return UpperU32(a) == UpperU32(b);
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const auto ua = UpperU32(a);
    const auto ub = UpperU32(b);
    return ua < ub ? -1 : ua > ub ? 1 : 0;
}

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

std::string TrimText(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32)
        --e;
    return std::string(text.substr(b, e - b));
}

bool SameTrimmed(std::string_view a, std::string_view b) {
    return SameNoCase(TrimText(a), TrimText(b));
}

long PosNoCase(std::string_view part, std::string_view text) {
    const auto up = UpperU32(part);
    const auto ut = UpperU32(text);
    if (up.empty())
        return 0;
    const auto pos = ut.find(up);
    return pos == std::u32string::npos ? 0 : static_cast<long>(pos) + 1;
}

bool IsPlus(std::string_view text) {
    return text == "+";
}

std::string PlusOrBlank(bool flag) {
    return flag ? "+" : " ";
}

std::string RepeatText(std::string_view text, long n) {
    std::string out;
    for (long i = 0; i < n; ++i)
        out += text;
    return out;
}

std::string FitText(std::string_view text, long width, bool rightAlign) {
    if (width <= 0)
        return {};
    const auto len = static_cast<long>(CharCount(text));
    if (len > width)
        return LeftChars(text, width);
    const std::string pad(static_cast<size_t>(width - len), ' ');
    return rightAlign ? pad + std::string(text) : std::string(text) + pad;
}

std::string WithBackslash(std::string_view text) {
    std::string t = TrimText(text);
    if (t.empty() || t.back() != '\\')
        t += '\\';
    return t;
}

std::string CleanNumber(std::string_view text) {
    std::string out;
    for (char32_t c : ToU32(text)) {
        if (c == U',' || c == U'.') {
            out += '.';
        } else if (c == U' ' || c == U'"' || c == U'\'' || c == 0x00A0) {
            continue;
        } else if (c == U'-' || (c >= U'0' && c <= U'9')) {
            out += static_cast<char>(c);
        } else {
            return {};
        }
    }
    return out;
}

double TextToFloat(std::string_view text) {
    if (IsBlank(text))
        return 0;
    std::string t(text);
    if (auto p = t.find(','); p != std::string::npos)
        t[p] = '.';
    return ReadFloat(t, 0);
}

std::vector<std::string> SplitText(std::string_view text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const auto p = text.find(separator, start);
        if (p == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, p - start));
        start = p + 1;
    }
}

std::vector<std::string> SplitCommaText(std::string_view line) {
    // Text after a NUL is not part of the line.
    if (const auto nul = line.find('\0'); nul != std::string_view::npos)
        line = line.substr(0, nul);
    std::vector<std::string> items;
    size_t p = 0;
    while (p < line.size() && IsSpace(line[p]))
        ++p;
    while (p < line.size()) {
        if (line[p] == '"') {
            items.push_back(TakeQuoted(line, p));
        } else {
            const size_t start = p;
            while (p < line.size() && !IsSpace(line[p]) && line[p] != ',')
                ++p;
            items.emplace_back(line.substr(start, p - start));
        }
        while (p < line.size() && IsSpace(line[p]))
            ++p;
        if (p < line.size() && line[p] == ',') {
            if (p + 1 == line.size())
                items.emplace_back();
            ++p;
            while (p < line.size() && IsSpace(line[p]))
                ++p;
        }
    }
    return items;
}

}  // namespace orvenka
