#include "common/numbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace orvenka {
namespace {

struct IntRow {
    std::string in;
    std::optional<int> out;
};

void PrintTo(const IntRow& r, std::ostream* os) {
    *os << '"' << r.in << '"';
}

class ParseIntRows : public ::testing::TestWithParam<IntRow> {};

TEST_P(ParseIntRows, Reads) {
    EXPECT_EQ(ParseInt(GetParam().in), GetParam().out);
    EXPECT_EQ(ReadInt(GetParam().in, -777), GetParam().out.value_or(-777));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseIntRows,
    ::testing::Values(
        IntRow{"0", 0}, IntRow{"12", 12}, IntRow{"0012", 12}, IntRow{" 12", 12},
        IntRow{"12 ", std::nullopt}, IntRow{"+5", 5}, IntRow{"-5", -5}, IntRow{"$1F", 31},
        IntRow{"$1f", 31}, IntRow{"x1f", 31}, IntRow{"X1F", 31}, IntRow{"0x1F", 31},
        IntRow{"0X1f", 31}, IntRow{"-$10", -16}, IntRow{" -0x10", -16},
        // Hexadecimal is the 32-bit pattern.
        IntRow{"$FFFFFFFF", -1}, IntRow{"$7FFFFFFF", INT_MAX}, IntRow{"$80000000", INT_MIN},
        IntRow{"-$80000000", INT_MIN}, IntRow{"-$1", -1}, IntRow{"$100000000", std::nullopt},
        IntRow{"2147483647", INT_MAX}, IntRow{"2147483648", std::nullopt},
        IntRow{"-2147483648", INT_MIN}, IntRow{"-2147483649", std::nullopt},
        IntRow{"99999999999999999999999", std::nullopt}, IntRow{"", std::nullopt},
        IntRow{" ", std::nullopt}, IntRow{"-", std::nullopt}, IntRow{"+", std::nullopt},
        IntRow{"$", std::nullopt}, IntRow{"0x", std::nullopt}, IntRow{"x", std::nullopt},
        IntRow{"1.5", std::nullopt}, IntRow{"1e3", std::nullopt}, IntRow{"12a", std::nullopt},
        IntRow{"$1G", std::nullopt}, IntRow{"\t12", std::nullopt}, IntRow{"+-5", std::nullopt},
        IntRow{"1 2", std::nullopt}, IntRow{"١", std::nullopt}));

struct FloatRow {
    std::string in;
    std::optional<double> out;
};

void PrintTo(const FloatRow& r, std::ostream* os) {
    *os << '"' << r.in << '"';
}

class ParseFloatRows : public ::testing::TestWithParam<FloatRow> {};

TEST_P(ParseFloatRows, Reads) {
    const auto v = ParseFloat(GetParam().in);
    ASSERT_EQ(v.has_value(), GetParam().out.has_value());
    if (v) {
        EXPECT_DOUBLE_EQ(*v, *GetParam().out);
    }
    EXPECT_DOUBLE_EQ(ReadFloat(GetParam().in, -7.5), GetParam().out.value_or(-7.5));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseFloatRows,
    ::testing::Values(
        FloatRow{"1.5", 1.5}, FloatRow{" 1.5 ", 1.5}, FloatRow{"-0.25", -0.25}, FloatRow{"+3", 3},
        FloatRow{".5", 0.5}, FloatRow{"-.5", -0.5}, FloatRow{"5.", 5}, FloatRow{"1e3", 1000},
        FloatRow{"1E-2", 0.01}, FloatRow{"2.5e+1", 25}, FloatRow{"007.10", 7.1},
        FloatRow{"1234567.89", 1234567.89}, FloatRow{"1,5", std::nullopt},
        FloatRow{"", std::nullopt}, FloatRow{" ", std::nullopt}, FloatRow{".", std::nullopt},
        FloatRow{"-", std::nullopt}, FloatRow{"e5", std::nullopt}, FloatRow{"1e", std::nullopt},
        FloatRow{"1e+", std::nullopt}, FloatRow{"inf", std::nullopt}, FloatRow{"nan", std::nullopt},
        FloatRow{"0x10", std::nullopt}, FloatRow{"1e400", std::nullopt},
        FloatRow{"1.2.3", std::nullopt}, FloatRow{"--1", std::nullopt},
        FloatRow{"+-1", std::nullopt}, FloatRow{"12 34", std::nullopt},
        FloatRow{"\t1", std::nullopt}, FloatRow{"1р", std::nullopt}));

struct FixedRow {
    double value;
    int decimals;
    std::string out;
};

void PrintTo(const FixedRow& r, std::ostream* os) {
    *os << r.value << " with " << r.decimals;
}

class FormatFixedRows : public ::testing::TestWithParam<FixedRow> {};

TEST_P(FormatFixedRows, Formats) {
    EXPECT_EQ(FormatFixed(GetParam().value, GetParam().decimals), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatFixedRows,
    ::testing::Values(
        // Halves away from zero, on the decimal text a person wrote.
        FixedRow{2.675, 2, "2.68"}, FixedRow{0.005, 2, "0.01"}, FixedRow{-0.005, 2, "-0.01"},
        FixedRow{1.005, 2, "1.01"}, FixedRow{1.23456, 3, "1.235"}, FixedRow{0.0005, 3, "0.001"},
        FixedRow{0.00049, 3, "0.000"}, FixedRow{99.999, 2, "100.00"}, FixedRow{9.9995, 3, "10.000"},
        FixedRow{0.5, 0, "1"}, FixedRow{1.5, 0, "2"}, FixedRow{2.5, 0, "3"},
        FixedRow{-2.5, 0, "-3"}, FixedRow{123.456, 0, "123"}, FixedRow{0.1 + 0.2, 2, "0.30"},
        FixedRow{3, 3, "3.000"}, FixedRow{-1234.5, 2, "-1234.50"},
        FixedRow{1234567.891, 2, "1234567.89"}, FixedRow{123456789012.345, 2, "123456789012.35"},
        FixedRow{1e15, 2, "1000000000000000.00"}, FixedRow{1e20, 2, "100000000000000000000.00"},
        FixedRow{0, 2, "0.00"}, FixedRow{-0.0, 2, "0.00"}, FixedRow{-0.0001, 2, "0.00"},
        FixedRow{1e-20, 2, "0.00"}, FixedRow{5e-324, 3, "0.000"}, FixedRow{0.045, 1, "0.0"},
        FixedRow{0.05, 1, "0.1"}, FixedRow{std::numeric_limits<double>::quiet_NaN(), 2, "NAN"},
        FixedRow{std::numeric_limits<double>::infinity(), 2, "INF"},
        FixedRow{-std::numeric_limits<double>::infinity(), 2, "-INF"}));

TEST(Numbers, MoneyAndQuantityMasks) {
    EXPECT_EQ(FormatMoney(18), "18.00");
    EXPECT_EQ(FormatQty(1.0 / 3), "0.333");
    EXPECT_DOUBLE_EQ(RoundViaMask(2.675, 2), 2.68);
    EXPECT_DOUBLE_EQ(RoundViaMask(1.23456, 3), 1.235);
    EXPECT_DOUBLE_EQ(RoundViaMask(-0.005, 2), -0.01);
}

TEST(Numbers, FormatFixedReadsBackAsTheRoundedValue) {
    // Kopeck values up to a thousand roubles either way format as themselves and read back.
    for (int k = -100000; k <= 100000; k += 7) {
        const double v = k / 100.0;
        const std::string text = FormatMoney(v);
        ASSERT_DOUBLE_EQ(ReadFloat(text, 1e9), v) << text;
    }
}

struct GeneralRow {
    double value;
    std::string out;
};

void PrintTo(const GeneralRow& r, std::ostream* os) {
    *os << r.out;
}

class FormatGeneralRows : public ::testing::TestWithParam<GeneralRow> {};

TEST_P(FormatGeneralRows, Formats) {
    EXPECT_EQ(FormatGeneral(GetParam().value), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatGeneralRows,
    ::testing::Values(GeneralRow{1234.5, "1234.5"}, GeneralRow{18, "18"}, GeneralRow{0.1, "0.1"},
                      GeneralRow{0, "0"}, GeneralRow{-0.0, "0"}, GeneralRow{-7.25, "-7.25"},
                      GeneralRow{0.1 + 0.2, "0.3"}, GeneralRow{1.0 / 3, "0.333333333333333"},
                      GeneralRow{2.675, "2.675"}, GeneralRow{0.0001, "0.0001"},
                      GeneralRow{0.00001, "1E-5"}, GeneralRow{123456789012345, "123456789012345"},
                      GeneralRow{1e15, "1E15"}, GeneralRow{-1e100, "-1E100"}));

}  // namespace
}  // namespace orvenka
