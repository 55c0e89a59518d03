#include "common/cp1251.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace orvenka {
namespace {

constexpr char32_t kNone = 0xFFFFFFFF;  // unassigned in Windows-1251

// Code point of every byte as Python's cp1251 codec decodes it (computed once, kept as data).
constexpr std::array<char32_t, 256> kPythonCp1251 = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007,  // 00
    0x0008, 0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,  // 08
    0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017,  // 10
    0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F,  // 18
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,  // 20
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,  // 28
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  // 30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,  // 38
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,  // 40
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,  // 48
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,  // 50
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,  // 58
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,  // 60
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,  // 68
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,  // 70
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F,  // 78
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    kNone,  0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

std::string Utf8Of(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

std::string Byte(int b) {
    return std::string(1, static_cast<char>(b));
}

TEST(Cp1251, EveryByteDecodesAsPythonCodec) {
    for (int b = 0; b < 256; ++b) {
        // 0x98 has no character; it keeps its byte value as U+0098 so nothing is lost.
        const char32_t expected =
            kPythonCp1251[b] == kNone ? static_cast<char32_t>(b) : kPythonCp1251[b];
        EXPECT_EQ(Cp1251ToUtf8(Byte(b)), Utf8Of(expected)) << "byte " << b;
    }
    EXPECT_EQ(kPythonCp1251[0x98], kNone);
}

TEST(Cp1251, EveryByteEncodesBackToItself) {
    for (int b = 0; b < 256; ++b) {
        const char32_t cp = kPythonCp1251[b] == kNone ? static_cast<char32_t>(b) : kPythonCp1251[b];
        EXPECT_EQ(Utf8ToCp1251(Utf8Of(cp)), Byte(b)) << "byte " << b;
    }
}

TEST(Cp1251, AllBytesRoundTripLosslessly) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = Cp1251ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToCp1251(utf8), all);
    // And twice over, as a file read, saved and read again.
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(Utf8ToCp1251(utf8))), all);
}

TEST(Cp1251, RussianTextBothWays) {
    const std::string utf8 = "Чек № 5: ёлка, Ёж — «итог» 1 234,50 €";
    const std::string bytes =
        "\xD7\xE5\xEA \xB9 5: \xB8\xEB\xEA\xE0, \xA8\xE6 \x97 \xAB\xE8\xF2\xEE\xE3\xBB 1 "
        "234,50 \x88";
    EXPECT_EQ(Utf8ToCp1251(utf8), bytes);
    EXPECT_EQ(Cp1251ToUtf8(bytes), utf8);
}

struct EncodeRow {
    const char* name;
    std::string utf8;
    std::string cp1251;
};

void PrintTo(const EncodeRow& r, std::ostream* os) {
    *os << r.name;
}

class Cp1251Encode : public ::testing::TestWithParam<EncodeRow> {};

TEST_P(Cp1251Encode, GivesBytes) {
    EXPECT_EQ(Utf8ToCp1251(GetParam().utf8), GetParam().cp1251);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Cp1251Encode,
    ::testing::Values(EncodeRow{"empty", "", ""},
                      EncodeRow{"ascii_and_controls", std::string("a\0b\t\r\n", 6),
                                std::string("a\0b\t\r\n", 6)},
                      // Characters without a Windows-1251 form become one "?" each.
                      EncodeRow{"latin1_letter", "café", "caf?"}, EncodeRow{"cjk", "価格", "??"},
                      EncodeRow{"emoji_4_bytes", "a😀b", "a?b"},
                      EncodeRow{"other_c1_control", "\xC2\x80", "?"},
                      EncodeRow{"replacement_char", "\xEF\xBF\xBD", "?"},
                      EncodeRow{"ruble_sign", "100₽", "100?"},
                      // Broken UTF-8: each bad byte is one "?", the good text around it survives.
                      EncodeRow{"lone_continuation",
                                "a\x80"
                                "b",
                                "a?b"},
                      EncodeRow{"raw_cp1251_byte", "\xC0\xC1", "??"},
                      EncodeRow{"truncated_at_end", "ab\xD0", "ab?"},
                      EncodeRow{"truncated_3_byte_then_text",
                                "\xE2\x82"
                                "A",
                                "??A"},
                      EncodeRow{"overlong_slash", "\xC0\xAF", "??"},
                      EncodeRow{"overlong_nul", "\xC0\x80x", "??x"},
                      EncodeRow{"surrogate", "\xED\xA0\x80", "???"},
                      EncodeRow{"beyond_unicode", "\xF4\x90\x80\x80", "????"},
                      EncodeRow{"invalid_lead_ff", "\xFF\xD0\x96", "?\xC6"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cp1251, ValidUtf8Check) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("Жёлтый 😀"));
    EXPECT_FALSE(IsValidUtf8("\xD0"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
    EXPECT_FALSE(IsValidUtf8("abc\xE8"));  // "и" in Windows-1251 is not UTF-8
}

}  // namespace
}  // namespace orvenka
