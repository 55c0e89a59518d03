#include "receipt/amounts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/failure.h"

namespace orvenka {
namespace {

TTovar Goods(double kolvo, double cena, const std::string& name = "Хлеб") {
    TTovar t;
    t.Name = name;
    t.Kolvo = kolvo;
    t.Cena = cena;
    return t;
}

// The failure text, empty when the receipt passes.
std::string Check(const TParam& param, const std::vector<TTovar>& goods) {
    try {
        CheckReceiptAmounts(param, goods);
        return "";
    } catch (const Failure& f) {
        return f.what();
    }
}

TEST(ReceiptAmounts, AmountsNoRegisterHoldsAreRefusedNamingTheirPlace) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::string limit = " вне допустимых пределов (по модулю не более 9999999999.99)";
    struct Case {
        const char* what;
        std::vector<TTovar> goods;
        bool cenaAsSumma;
        std::string failure;
    };
    const std::vector<Case> cases = {
        {"ordinary", {Goods(2, 45.5), Goods(1, 89.9)}, false, ""},
        {"at the limits", {Goods(999999999.999, 0), Goods(1, 9999999999.99)}, false, ""},
        {"a return of the largest sum", {Goods(-1, 9999999999.99)}, false, ""},
        {"1 and 200 zeros twice",
         {Goods(1e200, 1e200)},
         false,
         "Чек не напечатан: количество товара №1 «Хлеб» = 1E200 вне допустимых пределов (по "
         "модулю не более 999999999.999)"},
        {"a price beyond the limit",
         {Goods(1, 1), Goods(1, 1e11, "Сыр")},
         false,
         "Чек не напечатан: цена товара №2 «Сыр» = 100000000000.00" + limit},
        {"a line sum beyond the limit",
         {Goods(1000, 1e8)},
         false,
         "Чек не напечатан: сумма товара №1 «Хлеб» = 100000000000.00" + limit},
        {"with CENA_AS_SUMMA the price is the line sum", {Goods(1000, 1e8)}, true, ""},
        {"a total beyond the limit",
         {Goods(1, 6e9), Goods(1, 6e9)},
         false,
         "Чек не напечатан: сумма товаров чека = 12000000000.00" + limit},
        {"not a number",
         {Goods(nan, 1)},
         false,
         "Чек не напечатан: количество товара №1 «Хлеб» = NAN вне допустимых пределов (по модулю "
         "не более 999999999.999)"},
        {"infinite price",
         {Goods(1, -inf)},
         false,
         "Чек не напечатан: цена товара №1 «Хлеб» = -INF" + limit},
        {"a long name is cut in the message",
         {Goods(1, 1e11, std::string(50, 'x'))},
         false,
         "Чек не напечатан: цена товара №1 «" + std::string(40, 'x') + "…» = 100000000000.00" +
             limit},
    };
    for (const Case& c : cases) {
        TParam p;
        p.CENA_AS_SUMMA = c.cenaAsSumma;
        EXPECT_EQ(Check(p, c.goods), c.failure) << c.what;
    }
}

TEST(ReceiptAmounts, ParamIniAmountsAreHeldToTheSameLimit) {
    const std::vector<TTovar> goods = {Goods(1, 10)};
    struct Case {
        const char* key;
        void (*set)(TParam&, double);
    };
    const std::vector<Case> cases = {
        {"SUMMADOC", [](TParam& p, double v) { p.SUMMADOC = v; }},
        {"BreakSumNAL", [](TParam& p, double v) { p.BreakSumNAL = v; }},
        {"BreakSumVISA", [](TParam& p, double v) { p.BreakSumVISA = v; }},
        {"BreakSumm9", [](TParam& p, double v) { p.BreakSumm[9] = v; }},
    };
    for (const Case& c : cases) {
        TParam p;
        c.set(p, 9999999999.99);
        EXPECT_EQ(Check(p, goods), "") << c.key;
        c.set(p, 1e300);
        EXPECT_EQ(Check(p, goods), std::string("Чек не напечатан: ") + c.key +
                                       " = 1E300 вне допустимых пределов (по модулю не более "
                                       "9999999999.99)");
    }
}

}  // namespace
}  // namespace orvenka
