#include "common/cp1251.h"

#include <array>
#include <cstdio>
#include <unordered_map>

#include "common/utf8.h"

namespace orvenka {
namespace {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
constexpr std::array<char32_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

char32_t ByteToCodePoint(unsigned char b) {
    if (b < 0x80)
        return b;
    if (b >= 0xC0)
        return 0x0410 + (b - 0xC0);
    return kHigh[b - 0x80];
}

const std::unordered_map<char32_t, unsigned char>& ReverseTable() {
    static const auto table = [] {
        std::unordered_map<char32_t, unsigned char> t;
        for (int b = 0x80; b <= 0xFF; ++b)
            t[ByteToCodePoint(static_cast<unsigned char>(b))] = b;
        return t;
    }();
    return table;
}

}  // namespace

std::string Cp1251ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes)
        AppendUtf8(out, ByteToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1251(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    const auto& rev = ReverseTable();
    size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        if (!DecodeUtf8(text, i, cp)) {
            out += '?';
            continue;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            continue;
        }
        auto it = rev.find(cp);
        out += it == rev.end() ? '?' : static_cast<char>(it->second);
    }
    return out;
}

std::optional<char32_t> FirstWithoutCp1251(const std::string& text) {
    const auto& rev = ReverseTable();
    size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        if (!DecodeUtf8(text, i, cp))
            return U'\uFFFD';
        if (cp >= 0x80 && rev.find(cp) == rev.end())
            return cp;
    }
    return std::nullopt;
}

std::string CodePointName(char32_t cp) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(cp));
    return name;
}

bool IsValidUtf8(const std::string& bytes) {
    size_t i = 0;
    char32_t cp = 0;
    while (i < bytes.size()) {
        if (!DecodeUtf8(bytes, i, cp))
            return false;
    }
    return true;
}

}  // namespace orvenka
