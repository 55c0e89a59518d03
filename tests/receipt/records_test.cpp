#include "receipt/records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvenka {
namespace {

struct TaxRow {
    std::string code, name;
};

void PrintTo(const TaxRow& r, std::ostream* os) {
    *os << '"' << r.code << '"';
}

class TaxSystemNameRows : public ::testing::TestWithParam<TaxRow> {};

TEST_P(TaxSystemNameRows, Names) {
    EXPECT_EQ(TaxSystemName(GetParam().code), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TaxSystemNameRows,
    ::testing::Values(TaxRow{"OSN", "ОСН"}, TaxRow{"osn", "ОСН"}, TaxRow{"DOH", "УСН Доход"},
                      TaxRow{" doh ", "УСН Доход"}, TaxRow{"DOHRASH", "УСН Доход-Расход"},
                      TaxRow{"DohRash", "УСН Доход-Расход"}, TaxRow{"ENVD", "ЕНВД"},
                      TaxRow{"envd", "ЕНВД"}, TaxRow{"PATENT", "Патентная система"},
                      TaxRow{"Patent ", "Патентная система"}, TaxRow{"ESN", "ОСН"},
                      TaxRow{"esn", "ОСН"}, TaxRow{"", "ОСН"}, TaxRow{"XYZ", "ОСН"},
                      TaxRow{"DOH RASH", "ОСН"}, TaxRow{"ДОХ", "ОСН"}));

TEST(Records, PadZerosNeverCuts) {
    EXPECT_EQ(PadZeros(4, "12345"), "12345");
    EXPECT_EQ(PadZeros(10, "7"), "0000000007");
    EXPECT_EQ(PadZeros(4, "12"), "0012");
    EXPECT_EQ(PadZeros(4, "1234"), "1234");
    EXPECT_EQ(PadZeros(5, ""), "00000");
    EXPECT_EQ(PadZeros(0, "5"), "5");
    EXPECT_EQ(PadZeros(-3, "5"), "5");
    EXPECT_EQ(PadZeros(4, "№5"), "00№5");  // characters, not bytes
}

TEST(Records, UnixSecondsOfKnownTimes) {
    EXPECT_EQ(UnixSeconds(EncodeDateTime({1970, 1, 1})), 0);
    EXPECT_EQ(UnixSeconds(EncodeDateTime({2021, 2, 1, 12, 0, 0})), 1612180800);
    EXPECT_EQ(UnixSeconds(EncodeDateTime({2038, 1, 19, 3, 14, 8})), 2147483648LL);
    EXPECT_EQ(UnixSeconds(EncodeDateTime({1969, 12, 31, 23, 59, 59})), -1);
    // Fractions of a second are truncated toward zero.
    EXPECT_EQ(UnixSeconds(EncodeDateTime({1970, 1, 1, 0, 0, 1, 999})), 1);
    EXPECT_EQ(UnixSeconds(EncodeDateTime({1969, 12, 31, 23, 59, 58, 500})), -1);
}

TEST(Records, UnixSecondsIsExactForEveryWholeSecond) {
    // Whole seconds are not exact in days; none of them may come out one second early.
    const int64_t dayStart = 1612137600;  // 01.02.2021 00:00:00
    for (int s = 0; s < 86400; ++s) {
        const TDateTime t = EncodeDateTime({2021, 2, 1, s / 3600, s / 60 % 60, s % 60});
        ASSERT_EQ(UnixSeconds(t), dayStart + s) << s;
    }
    for (int day = 0; day < 3000; day += 7) {
        const TDateTime t = EncodeDateTime({2015, 1, 1, 17, 43, 21}) + day;
        ASSERT_EQ(UnixSeconds(t), 1420134201LL + day * 86400LL) << day;
    }
}

struct ClockRow {
    const char* name;
    double secondsAhead;  // register time minus computer time
    bool below;
};

void PrintTo(const ClockRow& r, std::ostream* os) {
    *os << r.name;
}

class ClockDiffBelowRows : public ::testing::TestWithParam<ClockRow> {};

TEST_P(ClockDiffBelowRows, ComparesRoundedMinutes) {
    // The same answer on many days: the result must not depend on how the days round.
    for (int day = 0; day < 2000; day += 13) {
        const TDateTime computer = EncodeDateTime({2020, 3, 1, 10, 17, 3}) + day;
        const TDateTime reg = computer + GetParam().secondsAhead / 86400.0;
        ASSERT_EQ(ClockDiffBelow(100, computer, reg), GetParam().below) << "day " << day;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ClockDiffBelowRows,
                         ::testing::Values(ClockRow{"same", 0, true},
                                           ClockRow{"ahead_99_min", 99 * 60, true},
                                           ClockRow{"ahead_99_min_29_s", 99 * 60 + 29, true},
                                           // 99.5 minutes round to the even 100.
                                           ClockRow{"ahead_99_min_30_s", 99 * 60 + 30, false},
                                           ClockRow{"ahead_100_min", 100 * 60, false},
                                           ClockRow{"ahead_a_day", 86400, false},
                                           // A register clock behind the computer's always passes.
                                           ClockRow{"behind_a_day", -86400, true},
                                           ClockRow{"behind_a_year", -366 * 86400.0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Records, ClockDiffBelowRoundsHalvesToEven) {
    const TDateTime t = EncodeDateTime({2021, 2, 1, 12, 0, 0});
    const auto ahead = [&](double s) { return t + s / 86400.0; };
    EXPECT_FALSE(ClockDiffBelow(2, t, ahead(90)));     // 1.5 -> 2
    EXPECT_TRUE(ClockDiffBelow(3, t, ahead(150)));     // 2.5 -> 2
    EXPECT_FALSE(ClockDiffBelow(2, t, ahead(151)));    // 2.52 -> 3
    EXPECT_TRUE(ClockDiffBelow(-1, t, ahead(-90)));    // -1.5 -> -2
    EXPECT_FALSE(ClockDiffBelow(-2, t, ahead(-150)));  // -2.5 -> -2
    EXPECT_TRUE(ClockDiffBelow(1, t, ahead(29)));      // 0.48 -> 0
    EXPECT_FALSE(ClockDiffBelow(0, t, ahead(30)));     // 0.5 -> 0
}

TEST(Records, ClockDiffBelowSurvivesGarbageTimes) {
    const TDateTime t = EncodeDateTime({2021, 2, 1});
    EXPECT_FALSE(ClockDiffBelow(100, t, 1e300));
    EXPECT_TRUE(ClockDiffBelow(100, t, -1e300));
}

TTovar Line(double kolvo, double cena) {
    TTovar t;
    t.Kolvo = kolvo;
    t.Cena = cena;
    return t;
}

TEST(Records, GoodsTotalRoundsEachLineWithoutSummaDoc) {
    TParam p;
    const std::vector<TTovar> goods = {Line(2, 1.005), Line(3, 0.333), Line(1, 0.004)};
    EXPECT_NEAR(GoodsTotal(p, goods), 3.01, 1e-9);
    p.SUMMADOC = 5;
    EXPECT_NEAR(GoodsTotal(p, goods), 3.013, 1e-9);
}

TEST(Records, GoodsTotalRoundsLinesNotTheSum) {
    TParam p;
    const std::vector<TTovar> goods = {Line(1, 0.004), Line(1, 0.004), Line(1, 0.004)};
    EXPECT_NEAR(GoodsTotal(p, goods), 0, 1e-12);
    p.SUMMADOC = 1;
    EXPECT_NEAR(GoodsTotal(p, goods), 0.012, 1e-12);
}

TEST(Records, GoodsTotalHalfKopeckGoesUp) {
    TParam p;
    EXPECT_NEAR(GoodsTotal(p, {Line(1, 0.125)}), 0.13, 1e-12);
    EXPECT_NEAR(GoodsTotal(p, {Line(1.5, 2.33)}), 3.50, 1e-12);
}

TEST(Records, GoodsTotalWithCenaAsSummaIgnoresQuantity) {
    TParam p;
    p.CENA_AS_SUMMA = true;
    EXPECT_NEAR(GoodsTotal(p, {Line(100, 10.556), Line(0, 5)}), 15.56, 1e-9);
    p.SUMMADOC = 1;
    EXPECT_NEAR(GoodsTotal(p, {Line(100, 10.556), Line(0, 5)}), 15.556, 1e-9);
}

TEST(Records, GoodsTotalOfNoGoodsIsZero) {
    TParam p;
    EXPECT_EQ(GoodsTotal(p, {}), 0);
}

}  // namespace
}  // namespace orvenka
