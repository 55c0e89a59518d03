#include "common/dates.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/failure.h"

namespace orvenka {
namespace {

struct DateIntRow {
    std::string text;
    int out;
};

void PrintTo(const DateIntRow& r, std::ostream* os) {
    *os << '"' << r.text << '"';
}

class StrToDateIntRows : public ::testing::TestWithParam<DateIntRow> {};

TEST_P(StrToDateIntRows, Reads) {
    EXPECT_EQ(StrToDateInt(GetParam().text), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StrToDateIntRows,
    ::testing::Values(DateIntRow{"01.02.2021", 20210201}, DateIntRow{" 01.02.2021 ", 20210201},
                      DateIntRow{"1.2.2021", 20210201}, DateIntRow{"01.2.2021", 20210201},
                      DateIntRow{"29.02.2024", 20240229}, DateIntRow{"31.12.9999", 99991231},
                      // Two-digit years: 50 and below in this century, above in the last.
                      DateIntRow{"01.02.49", 20490201}, DateIntRow{"01.02.50", 20500201},
                      DateIntRow{"01.02.51", 19510201}, DateIntRow{"01.02.00", 20000201},
                      DateIntRow{"1.2.99", 19990201}, DateIntRow{"1.2.5", 20050201},
                      DateIntRow{"29.02.00", 20000229},
                      // Ten characters are taken by position, whatever the separators.
                      DateIntRow{"01/02/2021", 20210201},
                      // Nothing to read gives 0.
                      DateIntRow{"", 0}, DateIntRow{"   ", 0}, DateIntRow{"...", 0},
                      DateIntRow{" ... ", 0}));

class StrToDateIntFailures : public ::testing::TestWithParam<std::string> {};

TEST_P(StrToDateIntFailures, RaiseBadDate) {
    try {
        StrToDateInt(GetParam());
        FAIL() << "no failure for \"" << GetParam() << '"';
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()), "StrToDateInt:Плохая дата(" + GetParam() + ")");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, StrToDateIntFailures,
                         ::testing::Values("abc", "29.02.2023", "29.02.01", "32.01.2021",
                                           "00.01.2021", "01.13.2021", "01.00.21", "1.2", "1.2.3.4",
                                           "x1.2.21", "$A.1.2021", "1.2.+21", "1.-2.2021",
                                           "1.2.20210", "2021-02-01", "01.02.2021x", "01.02.20 1",
                                           "ab.cd.efgh", "01.02.2021г", "1..2021"));

TEST(Dates, BadDateQuotesTheTrimmedText) {
    try {
        StrToDateInt("  abc  ");
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()), "StrToDateInt:Плохая дата(abc)");
    }
}

TEST(Dates, EncodeCountsDaysFrom30December1899) {
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30}), 0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1900, 1, 1}), 2);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1970, 1, 1}), 25569);
    EXPECT_DOUBLE_EQ(EncodeDateTime({2000, 1, 1}), 36526);
    EXPECT_DOUBLE_EQ(EncodeDateTime({2021, 2, 1, 12, 0, 0}), 44228.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime({2021, 2, 1, 6, 0, 0}), 44228.25);
}

TEST(Dates, DecodeGivesBackEveryField) {
    const DateParts samples[] = {{2021, 2, 1, 9, 5, 7, 250},
                                 {2024, 2, 29, 23, 59, 59, 999},
                                 {2000, 12, 31, 0, 0, 0, 0},
                                 {1951, 3, 1, 12, 30, 0, 1},
                                 {9999, 12, 31, 23, 59, 59, 0}};
    for (const auto& p : samples) {
        const auto d = DecodeDateTime(EncodeDateTime(p));
        EXPECT_EQ(d.year, p.year);
        EXPECT_EQ(d.month, p.month);
        EXPECT_EQ(d.day, p.day);
        EXPECT_EQ(d.hour, p.hour);
        EXPECT_EQ(d.minute, p.minute);
        EXPECT_EQ(d.second, p.second);
        EXPECT_EQ(d.millisecond, p.millisecond);
    }
}

TEST(Dates, EverySecondOfADayFormatsExactly) {
    for (int s = 0; s < 86400; ++s) {
        const DateParts p{2021, 2, 1, s / 3600, s / 60 % 60, s % 60, 0};
        char expected[32];
        std::snprintf(expected, sizeof expected, "01.02.2021 %02d:%02d:%02d", p.hour, p.minute,
                      p.second);
        ASSERT_EQ(FormatDateTime(EncodeDateTime(p)), expected);
    }
}

TEST(Dates, FormatsAndDateToInt) {
    const TDateTime t = EncodeDateTime({2021, 2, 1, 9, 5, 7});
    EXPECT_EQ(FormatDate(t), "01.02.2021");
    EXPECT_EQ(FormatTime(t), "09:05:07");
    EXPECT_EQ(FormatDateTime(t), "01.02.2021 09:05:07");
    EXPECT_EQ(DateToInt(t), 20210201);
    EXPECT_EQ(DateToInt(EncodeDateTime({1951, 12, 31, 23, 59, 59})), 19511231);
}

TEST(Dates, IsValidDate) {
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_TRUE(IsValidDate(2000, 2, 29));
    EXPECT_TRUE(IsValidDate(2021, 4, 30));
    EXPECT_FALSE(IsValidDate(2021, 4, 31));
    EXPECT_FALSE(IsValidDate(2021, 0, 1));
    EXPECT_FALSE(IsValidDate(2021, 13, 1));
    EXPECT_FALSE(IsValidDate(2021, 1, 0));
    EXPECT_FALSE(IsValidDate(0, 1, 1));
    EXPECT_FALSE(IsValidDate(10000, 1, 1));
}

}  // namespace
}  // namespace orvenka
