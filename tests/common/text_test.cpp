#include "common/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cp1251.h"

namespace orvenka {
namespace {

const std::string kBrokenUtf8[] = {"\x80",
                                   "a\xD0",
                                   "\xE2\x82"
                                   "A",
                                   "\xC0\xAF",
                                   "\xED\xA0\x80",
                                   "\xF4\x90\x80\x80",
                                   "\xFF\xFE"};

TEST(Text, IsBlankCountsOnlyCode32) {
    EXPECT_TRUE(IsBlank(""));
    EXPECT_TRUE(IsBlank(" "));
    EXPECT_TRUE(IsBlank("    "));
    EXPECT_FALSE(IsBlank("\t"));
    EXPECT_FALSE(IsBlank(" \r\n "));
    EXPECT_FALSE(IsBlank("\xC2\xA0"));  // non-breaking space
    EXPECT_FALSE(IsBlank("  a  "));
}

struct TrimRow {
    std::string in, out;
};

void PrintTo(const TrimRow& r, std::ostream* os) {
    *os << '"' << r.in << '"';
}

class TrimTextRows : public ::testing::TestWithParam<TrimRow> {};

TEST_P(TrimTextRows, RemovesCode32AndBelow) {
    EXPECT_EQ(TrimText(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Rows, TrimTextRows,
                         ::testing::Values(TrimRow{"", ""}, TrimRow{"\t", ""},
                                           TrimRow{"  a b  ", "a b"},
                                           TrimRow{"\r\n\x01x\x1F\t ", "x"}, TrimRow{" ёж ", "ёж"},
                                           // Non-breaking space and other characters above 32
                                           // stay.
                                           TrimRow{"\xC2\xA0x\xC2\xA0", "\xC2\xA0x\xC2\xA0"},
                                           TrimRow{"a\tb", "a\tb"}));

TEST(Text, UpperRusCoversEveryWindows1251Letter) {
    EXPECT_EQ(UpperRus("абвгдеёжзийклмнопрстуфхцчшщъыьэюя"), "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
    EXPECT_EQ(UpperRus("ђѓєѕіїјљњћќўџґ"), "ЂЃЄЅІЇЈЉЊЋЌЎЏҐ");
    EXPECT_EQ(UpperRus("abcxyz АБВ 123 µ №"), "ABCXYZ АБВ 123 µ №");
    // Broken bytes do not swallow the good characters after them.
    EXPECT_EQ(UpperRus("\x80я"), "?Я");
}

TEST(Text, UpperLatinLeavesCyrillicAlone) {
    EXPECT_EQ(UpperLatin("/shtrih"), "/SHTRIH");
    EXPECT_EQ(UpperLatin("/атол"), "/атол");
}

struct SameRow {
    std::string a, b;
    bool same;
};

void PrintTo(const SameRow& r, std::ostream* os) {
    *os << r.a << " ~ " << r.b;
}

class SameNoCaseRows : public ::testing::TestWithParam<SameRow> {};

TEST_P(SameNoCaseRows, ComparesLatinAndCyrillic) {
    EXPECT_EQ(SameNoCase(GetParam().a, GetParam().b), GetParam().same);
    EXPECT_EQ(SameNoCase(GetParam().b, GetParam().a), GetParam().same);
    EXPECT_EQ(CompareNoCase(GetParam().a, GetParam().b) == 0, GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(Rows, SameNoCaseRows,
                         ::testing::Values(SameRow{"Ёлка", "ёЛКА", true}, SameRow{"ё", "Ё", true},
                                           SameRow{"е", "ё", false}, SameRow{"Е", "Ё", false},
                                           SameRow{"Журнал", "ЖУРНАЛ", true},
                                           SameRow{"PRINT", "print", true}, SameRow{"ґ", "Ґ", true},
                                           SameRow{"ї", "Ї", true}, SameRow{"abc", "abd", false},
                                           SameRow{"abc", "abc ", false}, SameRow{"", "", true}));

TEST(Text, CompareNoCaseOrders) {
    EXPECT_LT(CompareNoCase("абв", "АБГ"), 0);
    EXPECT_GT(CompareNoCase("b", "A"), 0);
    EXPECT_LT(CompareNoCase("ab", "ABC"), 0);
}

TEST(Text, SameTrimmedTrimsThenIgnoresCase) {
    EXPECT_TRUE(SameTrimmed(" ёлка ", "ЁЛКА"));
    EXPECT_TRUE(SameTrimmed("+\t", " +"));
    EXPECT_FALSE(SameTrimmed("Abc", "abd"));
    EXPECT_FALSE(SameTrimmed("a b", "ab"));
}

TEST(Text, PosNoCaseCountsCharacters) {
    EXPECT_EQ(PosNoCase("ёж", "Большой ЁЖИК"), 9);
    EXPECT_EQ(PosNoCase("BC", "abc"), 2);
    EXPECT_EQ(PosNoCase("abc", "ABC"), 1);
    EXPECT_EQ(PosNoCase("x", "abc"), 0);
    EXPECT_EQ(PosNoCase("", "abc"), 0);
    EXPECT_EQ(PosNoCase("abcd", "abc"), 0);
    EXPECT_EQ(PosNoCase("е", "ё"), 0);
}

TEST(Text, CharCountCountsCharactersNotBytes) {
    EXPECT_EQ(CharCount(""), 0u);
    EXPECT_EQ(CharCount("abc"), 3u);
    EXPECT_EQ(CharCount("Ёжик"), 4u);
    EXPECT_EQ(CharCount("€№"), 2u);
    EXPECT_EQ(CharCount("😀"), 1u);
    // Each broken byte is one character ("?"), the same count the file codec writes.
    EXPECT_EQ(CharCount("\x80"), 1u);
    EXPECT_EQ(CharCount("\xE2\x82"
                        "A"),
              3u);
}

TEST(Text, CharCountMatchesTheBytesWrittenToFiles) {
    std::vector<std::string> texts = {"", "abc", "Чек № 5 — итог", "價格😀", "a\tb\r\n"};
    texts.insert(texts.end(), std::begin(kBrokenUtf8), std::end(kBrokenUtf8));
    for (const auto& t : texts) {
        EXPECT_EQ(CharCount(t), Utf8ToCp1251(t).size()) << t;
        EXPECT_EQ(ToU32(t).size(), CharCount(t)) << t;
    }
}

TEST(Text, LeftAndMidCharsCutByCharacters) {
    EXPECT_EQ(LeftChars("Привет", 3), "При");
    EXPECT_EQ(LeftChars("abc", 0), "");
    EXPECT_EQ(LeftChars("abc", -1), "");
    EXPECT_EQ(LeftChars("abc", 10), "abc");
    EXPECT_EQ(LeftChars("😀x", 1), "😀");
    EXPECT_EQ(MidChars("Привет", 2, 3), "рив");
    EXPECT_EQ(MidChars("abc", 0, 2), "ab");
    EXPECT_EQ(MidChars("abc", 2, 100), "bc");
    EXPECT_EQ(MidChars("abc", 4, 1), "");
    EXPECT_EQ(MidChars("abc", 1, 0), "");
}

struct FitRow {
    std::string text;
    long width;
    bool right;
    std::string out;
};

void PrintTo(const FitRow& r, std::ostream* os) {
    *os << '"' << r.text << "\" " << r.width;
}

class FitTextRows : public ::testing::TestWithParam<FitRow> {};

TEST_P(FitTextRows, CutsOrPads) {
    const auto& r = GetParam();
    EXPECT_EQ(FitText(r.text, r.width, r.right), r.out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FitTextRows,
    ::testing::Values(FitRow{"ABC", 5, true, "  ABC"}, FitRow{"ABC", 5, false, "ABC  "},
                      FitRow{"ABCDEF", 3, false, "ABC"}, FitRow{"ABCDEF", 3, true, "ABC"},
                      FitRow{"ABC", 3, true, "ABC"}, FitRow{"Привет", 4, false, "Прив"},
                      FitRow{"Привет", 4, true, "Прив"}, FitRow{"Ёж", 4, true, "  Ёж"},
                      FitRow{"Ёж", 4, false, "Ёж  "}, FitRow{"Сумма", 5, true, "Сумма"},
                      FitRow{"", 3, false, "   "}, FitRow{"abc", 0, false, ""},
                      FitRow{"abc", -2, true, ""}));

TEST(Text, FitTextGivesExactWidthEvenForBrokenText) {
    std::vector<std::string> texts = {"", "a", "Ёлка-палка", "😀😀😀😀😀"};
    texts.insert(texts.end(), std::begin(kBrokenUtf8), std::end(kBrokenUtf8));
    for (const auto& t : texts) {
        for (long w = 1; w <= 6; ++w) {
            for (bool right : {false, true}) {
                const std::string fitted = FitText(t, w, right);
                EXPECT_EQ(CharCount(fitted), static_cast<size_t>(w)) << t << " width " << w;
                EXPECT_EQ(Utf8ToCp1251(fitted).size(), static_cast<size_t>(w)) << t;
            }
        }
    }
}

TEST(Text, SmallRoutines) {
    EXPECT_TRUE(IsPlus("+"));
    EXPECT_FALSE(IsPlus(" +"));
    EXPECT_FALSE(IsPlus("++"));
    EXPECT_FALSE(IsPlus(""));
    EXPECT_EQ(PlusOrBlank(true), "+");
    EXPECT_EQ(PlusOrBlank(false), " ");
    EXPECT_EQ(RepeatText("ab", 3), "ababab");
    EXPECT_EQ(RepeatText("=", 0), "");
    EXPECT_EQ(RepeatText("=", -1), "");
    EXPECT_EQ(WithBackslash(""), "\\");
    EXPECT_EQ(WithBackslash(" C:\\Kassa "), "C:\\Kassa\\");
    EXPECT_EQ(WithBackslash("C:\\Kassa\\"), "C:\\Kassa\\");
    EXPECT_EQ(SplitText("##a####b", '#'), (std::vector<std::string>{"", "", "a", "", "", "", "b"}));
    EXPECT_EQ(SplitText("", '#'), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitText("a,", ','), (std::vector<std::string>{"a", ""}));
}

struct CleanRow {
    std::string in, out;
};

void PrintTo(const CleanRow& r, std::ostream* os) {
    *os << '"' << r.in << '"';
}

class CleanNumberRows : public ::testing::TestWithParam<CleanRow> {};

TEST_P(CleanNumberRows, Cleans) {
    EXPECT_EQ(CleanNumber(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CleanNumberRows,
    ::testing::Values(CleanRow{"1 234,50", "1234.50"}, CleanRow{"-5", "-5"}, CleanRow{"12р", ""},
                      CleanRow{"1\xC2\xA0"
                               "234.5",
                               "1234.5"},
                      CleanRow{"'12'", "12"}, CleanRow{"\"7\"", "7"}, CleanRow{"5-", "5-"},
                      CleanRow{"1,2.3", "1.2.3"}, CleanRow{"", ""}, CleanRow{"   ", ""},
                      CleanRow{"\t5", ""}, CleanRow{"1e5", ""}, CleanRow{"+5", ""},
                      CleanRow{"12 руб", ""}, CleanRow{"0,99 ", "0.99"}));

struct FloatRow {
    std::string in;
    double out;
};

void PrintTo(const FloatRow& r, std::ostream* os) {
    *os << '"' << r.in << '"';
}

class TextToFloatRows : public ::testing::TestWithParam<FloatRow> {};

TEST_P(TextToFloatRows, Reads) {
    EXPECT_DOUBLE_EQ(TextToFloat(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Rows, TextToFloatRows,
                         ::testing::Values(FloatRow{"", 0}, FloatRow{"   ", 0},
                                           FloatRow{"1,5", 1.5}, FloatRow{"1.5", 1.5},
                                           FloatRow{" 2,25 ", 2.25}, FloatRow{"-0,5", -0.5},
                                           FloatRow{"1e3", 1000}, FloatRow{"abc", 0},
                                           FloatRow{"1,2,3", 0}, FloatRow{"1,2.3", 0},
                                           FloatRow{"12р", 0}, FloatRow{"1 234", 0},
                                           FloatRow{"\t", 0}));

}  // namespace
}  // namespace orvenka
