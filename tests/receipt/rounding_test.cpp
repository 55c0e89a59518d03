#include "receipt/rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/failure.h"
#include "common/money.h"
#include "common/numbers.h"

namespace orvenka {
namespace {

class RecordingLogger : public Logger {
  public:
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    void LogMessage(const std::string& text) override { messages.push_back(text); }
    void LogError(const std::string& text) override { errors.push_back(text); }
};

std::string ZeroLineError(const std::string& summaDoc) {
    return "Ошибка при расчете погрешности! Параметр SummaDoc наверное слишком большой для "
           "расчета! SummaDoc=" +
           summaDoc + " цена или количество по строке чека = 0";
}

TTovar Line(double kolvo, double cena) {
    TTovar t;
    t.Kolvo = kolvo;
    t.Cena = cena;
    return t;
}

bool OnGrid(double x, int decimals) {
    const double scaled = x * std::pow(10.0, decimals);
    return std::fabs(scaled - std::round(scaled)) < 1e-6;
}

struct RoundRow {
    double x;
    int decimals;
    double expected;
};

void PrintTo(const RoundRow& r, std::ostream* os) {
    *os << r.x << " to " << r.decimals;
}

class RoundHalfUpRows : public ::testing::TestWithParam<RoundRow> {};

TEST_P(RoundHalfUpRows, Rounds) {
    EXPECT_EQ(RoundHalfUp(GetParam().x, GetParam().decimals), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RoundHalfUpRows,
    ::testing::Values(
        // Halves go up, never to the even neighbour.
        RoundRow{2.5, 0, 3}, RoundRow{3.5, 0, 4}, RoundRow{0.5, 0, 1}, RoundRow{2.4999, 0, 2},
        RoundRow{1.234, 2, 1.23}, RoundRow{1.235, 2, 1.24}, RoundRow{3.3333333, 2, 3.33},
        // Exact binary halves: an inexact 0.01 divisor would take these down.
        RoundRow{0.625, 2, 0.63}, RoundRow{1.125, 2, 1.13}, RoundRow{0.0625, 3, 0.063},
        RoundRow{2.0005, 3, 2.001}, RoundRow{12.3454, 3, 12.345}, RoundRow{0.0049, 2, 0},
        RoundRow{0.005, 2, 0.01}, RoundRow{123456789.125, 2, 123456789.13},
        // Negative values mirror the positive ones.
        RoundRow{-2.5, 0, -3}, RoundRow{-2.4, 0, -2}, RoundRow{-2.6, 0, -3},
        RoundRow{-0.625, 2, -0.63}, RoundRow{-0.004, 2, 0}, RoundRow{0, 2, 0}));

TEST(Rounding, RoundHalfUpGivesNoNegativeZero) {
    EXPECT_FALSE(std::signbit(RoundHalfUp(-0.004, 2)));
    EXPECT_FALSE(std::signbit(TruncDecimals(-0.0009, 3)));
}

TEST(Rounding, TruncDecimalsCutsTowardZero) {
    EXPECT_EQ(TruncDecimals(2.0046, 3), 2.004);
    EXPECT_EQ(TruncDecimals(-2.0046, 3), -2.004);
    EXPECT_EQ(TruncDecimals(1.9999, 2), 1.99);
    EXPECT_EQ(TruncDecimals(5.9, 0), 5);
    EXPECT_EQ(TruncDecimals(-5.9, 0), -5);
    EXPECT_EQ(TruncDecimals(7.125, 3), 7.125);
}

TEST(Rounding, Price2CutsAfterTheThirdDecimalBeforeRounding) {
    // Rounding to 3 first would give 2.005 and then 2.01.
    EXPECT_EQ(Price2(2.0046), 2.00);
    EXPECT_EQ(Price2(2.0051), 2.01);
    EXPECT_EQ(Price2(3.3333333), 3.33);
    EXPECT_EQ(Price2(6.6666666), 6.67);
    EXPECT_EQ(Price2(0.625), 0.63);
    // The cut value 2.005 is no exact double; it still rounds up.
    EXPECT_EQ(Price2(2.0059), 2.01);
    EXPECT_EQ(Price2(1.015), 1.01);  // the double 1.015 is 1.01499999…, cut to 1.014
    EXPECT_EQ(Price2(-2.0051), -2.01);
}

struct SplitRow {
    double q, s;
    double quantity, price;
    std::string name;  // name after the call, from "Хлеб"
};

void PrintTo(const SplitRow& r, std::ostream* os) {
    *os << r.q << " / " << r.s;
}

class SplitLineSumRows : public ::testing::TestWithParam<SplitRow> {};

TEST_P(SplitLineSumRows, Splits) {
    const auto& r = GetParam();
    std::string name = "Хлеб";
    const LinePrice got = SplitLineSum(r.q, r.s, name);
    EXPECT_EQ(got.quantity, r.quantity);
    EXPECT_EQ(got.price, r.price);
    EXPECT_EQ(name, r.name);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitLineSumRows,
    ::testing::Values(SplitRow{3, 10.00, 1, 10.00, "Хлеб (кол-во=3.00)"},
                      SplitRow{4, 10.00, 4, 2.50, "Хлеб"}, SplitRow{0.5, 10, 0.5, 20, "Хлеб"},
                      SplitRow{2.5, 7.5, 2.5, 3, "Хлеб"}, SplitRow{1.5, 3.75, 1.5, 2.5, "Хлеб"},
                      SplitRow{0.333, 1, 1, 1, "Хлеб (кол-во=0.33)"},
                      SplitRow{1.235, 5, 1, 5, "Хлеб (кол-во=1.24)"},
                      SplitRow{1, 123.45, 1, 123.45, "Хлеб"}, SplitRow{7, 0, 7, 0, "Хлеб"},
                      // Equal in decimals whatever the binary product says.
                      SplitRow{3, 0.30, 3, 0.10, "Хлеб"}, SplitRow{0.3, 0.03, 0.3, 0.10, "Хлеб"}));

TEST(Rounding, LineSumIsTheExactDecimalProductRoundedHalfAwayFromZero) {
    const struct {
        double quantity, price, sum;
    } rows[] = {
        {0.5, 2.01, 1.01},    // 1.005: binary arithmetic gives 1.00
        {3, 0.1, 0.3},        //
        {1.5, 0.01, 0.02},    // 0.015
        {0.333, 3, 1.00},     // 0.999
        {-0.5, 2.01, -1.01},  // a return line rounds by size
        {2, 21, 42},          //
        {1.0005, 10, 10.01},  // the quantity is taken to 3 decimals first
    };
    for (const auto& r : rows)
        EXPECT_EQ(LineSum(r.quantity, r.price), r.sum) << r.quantity << " x " << r.price;
    EXPECT_THROW(LineSum(1e200, 1), Failure);
    EXPECT_THROW(LineSum(1, std::numeric_limits<double>::infinity()), Failure);
}

TEST(Rounding, SplitLineSumRefusesZeroQuantity) {
    std::string name = "Молоко";
    try {
        SplitLineSum(0, 10, name);
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()),
                  "Ошибка при расчете цены по сумме строки: количество равно 0 в строке "
                  "\"Молоко\"");
    }
    EXPECT_EQ(name, "Молоко");
}

TEST(Rounding, AdjustLeavesMatchingOrUnsetSummaDocAlone) {
    RecordingLogger log;
    TParam p;
    std::vector<TTovar> lines{Line(0.333, 10.01), Line(2, 1.999)};  // 3.33333 + 3.998
    const auto before = lines;
    p.SUMMADOC = 0;
    AdjustToSummaDoc(p, lines, log);
    p.SUMMADOC = 7.33;
    AdjustToSummaDoc(p, lines, log);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].Kolvo, before[i].Kolvo);
        EXPECT_EQ(lines[i].Cena, before[i].Cena);
    }
    EXPECT_TRUE(log.errors.empty());
}

TEST(Rounding, AdjustTwiceTheTotalDoublesQuantitiesInEveryPass) {
    RecordingLogger log;
    TParam p;
    p.SUMMADOC = 24;
    std::vector<TSale> lines(1);
    lines[0].Kolvo = 1;
    lines[0].Cena = 12;
    lines[0].Summa = 12;
    AdjustToSummaDoc(p, lines, log);
    EXPECT_EQ(lines[0].Kolvo, 16);  // four passes, each doubling
    EXPECT_EQ(lines[0].Cena, 0.75);
    EXPECT_EQ(lines[0].Summa, 12);  // only Kolvo and Cena are touched
    EXPECT_TRUE(log.errors.empty());
}

TEST(Rounding, AdjustLogsAZeroPriceOncePerPass) {
    RecordingLogger log;
    TParam p;
    p.SUMMADOC = 200.02;
    std::vector<TTovar> lines{Line(1, 0.01), Line(1, 100)};
    lines[1].Name = "Сахар";
    AdjustToSummaDoc(p, lines, log);
    // 0.01 / 4 falls below half a kopeck in the second pass and stays 0 in the third and fourth.
    ASSERT_EQ(log.errors.size(), 3u);
    for (const auto& e : log.errors)
        EXPECT_EQ(e, ZeroLineError("200.02"));
    EXPECT_EQ(lines[0].Kolvo, 16.002);
    EXPECT_EQ(lines[0].Cena, 0);
    EXPECT_EQ(lines[1].Kolvo, 16.002);
    EXPECT_EQ(lines[1].Cena, 6.25);
    EXPECT_EQ(lines[1].Name, "Сахар");
}

TEST(Rounding, AdjustLogsEachZeroLineOfAPass) {
    RecordingLogger log;
    TParam p;
    p.SUMMADOC = 0.10;  // twice 0.05: the price halves to 0.0125, 0.004, then the line is lost
    std::vector<TTovar> lines{Line(1, 0.05)};
    AdjustToSummaDoc(p, lines, log);
    EXPECT_EQ(log.errors, std::vector<std::string>(2, ZeroLineError("0.1")));
    EXPECT_EQ(lines[0].Kolvo, 0);
    EXPECT_EQ(lines[0].Cena, 0);
}

TEST(Rounding, AdjustFailsOnAZeroTotalAndLeavesTheLines) {
    RecordingLogger log;
    TParam p;
    p.SUMMADOC = 15.5;
    std::vector<TTovar> lines{Line(0, 10), Line(3, 0.001)};  // 0.003 rounds to 0
    try {
        AdjustToSummaDoc(p, lines, log);
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()),
                  "Ошибка при расчете погрешности: сумма товаров равна 0, а SummaDoc=15.5");
    }
    EXPECT_EQ(lines[1].Kolvo, 3);
    EXPECT_EQ(lines[1].Cena, 0.001);

    std::vector<TTovar> none;
    EXPECT_THROW(AdjustToSummaDoc(p, none, log), Failure);
}

TEST(Rounding, AdjustFailsInsteadOfSendingInfinity) {
    RecordingLogger log;
    TParam p;
    p.SUMMADOC = 1e308;
    std::vector<TTovar> lines{Line(1, 0.01), Line(2, 0.5)};
    EXPECT_THROW(AdjustToSummaDoc(p, lines, log), Failure);
    EXPECT_EQ(lines[0].Kolvo, 1);
    EXPECT_EQ(lines[1].Cena, 0.5);
}

// Lines keep their sums: the list total stays close to the total before, whatever SUMMADOC
// asks, and a SUMMADOC that differs only by the kopeck roundings is met within those roundings.
TEST(Rounding, AdjustKeepsLineSumsOnGeneratedLists) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> count(1, 12);
    std::uniform_int_distribution<int> kolvoMilli(100, 20000);
    std::uniform_int_distribution<int> cenaBasis(100, 500000);  // in 1/100 kopecks
    std::uniform_real_distribution<double> ratioDist(0.5, 2.0);
    int adjusted = 0;
    for (int round = 0; round < 400; ++round) {
        std::vector<TTovar> lines;
        const int n = count(rng);
        double before = 0;
        double kopeckSum = 0;
        for (int i = 0; i < n; ++i) {
            // Accounting prices may carry 4 decimals; the register takes 2.
            lines.push_back(Line(kolvoMilli(rng) / 1000.0, cenaBasis(rng) / 10000.0));
            before += lines.back().Kolvo * lines.back().Cena;
            kopeckSum += RoundHalfUp(lines.back().Kolvo * lines.back().Cena, 2);
        }
        const bool byKopecks = round % 2 == 0;
        const double ratio = byKopecks ? 1 : ratioDist(rng);
        TParam p;
        p.SUMMADOC = byKopecks ? RoundHalfUp(kopeckSum, 2) : RoundHalfUp(before * ratio, 2);
        const bool untouched = std::fabs(p.SUMMADOC - RoundHalfUp(before, 2)) < 1e-9;
        RecordingLogger log;
        AdjustToSummaDoc(p, lines, log);
        EXPECT_TRUE(log.errors.empty()) << "round " << round;

        double after = 0;
        double tolerance = 1e-9;
        for (const auto& l : lines) {
            after += l.Kolvo * l.Cena;
            if (!untouched) {
                EXPECT_TRUE(OnGrid(l.Kolvo, 3)) << l.Kolvo;
                EXPECT_TRUE(OnGrid(l.Cena, 2)) << l.Cena;
            }
            // Each of the three rounding passes moves a line's sum by at most half a kopeck
            // per unit of its quantity at that pass.
            const double r = std::max(ratio, 1 / ratio);
            tolerance += 0.005 * 1.01 * std::fabs(l.Kolvo) * (1 + r + r * r);
        }
        adjusted += untouched ? 0 : 1;
        EXPECT_NEAR(after, before, tolerance) << "round " << round;
        if (byKopecks) {
            EXPECT_NEAR(after, p.SUMMADOC, tolerance + 0.005 * n) << "round " << round;
        }
    }
    EXPECT_GT(adjusted, 300);  // the generator must really exercise the passes
}

TSale Sale(double kolvo, double cena) {
    TSale s;
    s.Kolvo = kolvo;
    s.Cena = cena;
    return s;
}

int64_t RegisterTotal(const std::vector<TSale>& lines) {
    int64_t total = 0;
    for (const auto& l : lines)
        total += ToKopecks(LineSum(l.Kolvo, l.Cena));
    return total;
}

// What is left between the register's total and SUMMADOC goes on one line; a difference no
// line can take is refused with the nearest total the register could make.
TEST(Rounding, MeetSummaDocPutsTheLastKopecksOnOneLineOrRefuses) {
    struct Case {
        const char* what;
        std::vector<TSale> lines;
        double summaDoc;
        std::vector<TSale> expected;  // empty: refused
        const char* nearest;
    };
    const std::vector<Case> cases = {
        {"a kopeck on the line whose price takes it",
         {Sale(3, 33.33), Sale(1, 0.01)},
         100.01,
         {Sale(3, 33.33), Sale(1, 0.02)},
         ""},
        {"the first line that takes it",
         {Sale(2, 0.5), Sale(1, 5)},
         6.02,
         {Sale(2, 0.51), Sale(1, 5)},
         ""},
        {"a quantity moves only when no price does",
         {Sale(3, 33.33)},
         100,
         {Sale(3.002, 33.31)},
         ""},
        {"already met", {Sale(2, 0.5)}, 1, {Sale(2, 0.5)}, ""},
        {"the other lines alone are above it", {Sale(1, 50), Sale(1, 50)}, 40, {}, "50.01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TParam p;
        p.SUMMADOC = c.summaDoc;
        std::vector<TSale> lines = c.lines;
        if (c.expected.empty()) {
            try {
                MeetSummaDoc(p, 12.34, lines);
                ADD_FAILURE() << "not refused";
            } catch (const Failure& f) {
                EXPECT_EQ(std::string(f.what()),
                          "Чек не напечатан: сумму документа SUMMADOC=" + FormatMoney(c.summaDoc) +
                              " нельзя получить из строк чека (сумма товаров 12.34, ближайшая "
                              "сумма, которую может пробить ККМ, " +
                              c.nearest + "). Проверьте SUMMADOC и суммы строк");
            }
            EXPECT_EQ(lines[0].Cena, c.lines[0].Cena) << "a refusal leaves the lines";
            continue;
        }
        MeetSummaDoc(p, 0, lines);
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].Kolvo, c.expected[i].Kolvo) << i;
            EXPECT_EQ(lines[i].Cena, c.expected[i].Cena) << i;
        }
        EXPECT_EQ(RegisterTotal(lines), ToKopecks(c.summaDoc));
    }
}

// After the adjustment and the last kopecks, the register's total is SUMMADOC to the kopeck on
// generated lists, or the receipt is refused; never a total that is neither.
TEST(Rounding, AdjustedListsMeetSummaDocOrAreRefused) {
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> count(1, 8);
    std::uniform_int_distribution<int> kolvoMilli(100, 20000);
    std::uniform_int_distribution<int> cenaBasis(100, 500000);
    std::uniform_int_distribution<int> offset(-300, 300);  // kopecks off the goods total
    int met = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<TSale> lines;
        double before = 0;
        for (int i = 0, n = count(rng); i < n; ++i) {
            lines.push_back(Sale(kolvoMilli(rng) / 1000.0, cenaBasis(rng) / 10000.0));
            before += lines.back().Kolvo * lines.back().Cena;
        }
        TParam p;
        p.SUMMADOC = std::max(0.01, FromKopecks(ToKopecks(before) + offset(rng)));
        RecordingLogger log;
        try {
            AdjustToSummaDoc(p, lines, log);
            MeetSummaDoc(p, before, lines);
        } catch (const Failure&) {
            continue;
        }
        ++met;
        EXPECT_EQ(RegisterTotal(lines), ToKopecks(p.SUMMADOC)) << "round " << round;
    }
    EXPECT_GT(met, 250);
}

// With CENA_AS_SUMMA every line becomes quantity × unit price once, before anything else reads
// it, so that quantity × price is the sum the goods total counted.
TEST(Rounding, SplitLineSumsReexpressesEveryLineWhenThePriceColumnIsTheSum) {
    const auto line = [](const char* name, double kolvo, double cena) {
        TSale s;
        s.Name = name;
        s.Kolvo = kolvo;
        s.Cena = cena;
        s.Summa = kolvo * cena;
        return s;
    };
    std::vector<TSale> lines = {line("Хлеб", 2, 10), line("Вода", 3, 10), line("Сок", 3, 0.3)};
    TParam p;
    SplitLineSums(p, lines);
    EXPECT_DOUBLE_EQ(lines[0].Cena, 10) << "without the flag nothing changes";

    p.CENA_AS_SUMMA = true;
    SplitLineSums(p, lines);
    struct Row {
        const char* name;
        double kolvo, cena, summa;
    };
    const Row rows[] = {
        {"Хлеб", 2, 5, 10}, {"Вода (кол-во=3.00)", 1, 10, 10}, {"Сок", 3, 0.1, 0.3}};
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].Name, rows[i].name);
        EXPECT_DOUBLE_EQ(lines[i].Kolvo, rows[i].kolvo);
        EXPECT_DOUBLE_EQ(lines[i].Cena, rows[i].cena);
        EXPECT_NEAR(lines[i].Summa, rows[i].summa, 1e-12);
    }

    std::vector<TSale> withZero = {line("Хлеб", 2, 10), line("Ноль", 0, 10)};
    EXPECT_THROW(SplitLineSums(p, withZero), Failure);
    EXPECT_DOUBLE_EQ(withZero[0].Cena, 10) << "a failure leaves every line as it was";
}

TEST(Money, KopecksAreTakenAsTheDecimalAPersonWrote) {
    EXPECT_EQ(ToKopecks(0.285), 29);
    EXPECT_EQ(ToKopecks(-0.285), -29);
    EXPECT_EQ(ToKopecks(100.0), 10000);
    EXPECT_EQ(ToKopecks(1e300), 0) << "garbage is no sum";
    EXPECT_EQ(ProductKopecks(*ExactLineProduct(0.5, 2.01)), 101);
    EXPECT_EQ(ProductKopecks(*ExactLineProduct(-0.5, 2.01)), -101);
    EXPECT_FALSE(ExactLineProduct(1e10, 1).has_value());
    EXPECT_FALSE(ExactLineProduct(1, std::nan("")).has_value());
}

}  // namespace
}  // namespace orvenka
