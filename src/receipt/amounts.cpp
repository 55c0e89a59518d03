#include "receipt/amounts.h"

#include <cmath>

#include "common/failure.h"
#include "common/numbers.h"
#include "common/text.h"

namespace orvenka {
namespace {

bool WithinLimit(double value, double limit) {
    return std::isfinite(value) && std::fabs(value) <= limit;
}

void Require(double value, double limit, const std::string& what, int decimals = 2) {
    if (const auto beyond = BeyondLimitText(value, limit, what, decimals))
        throw Failure("Чек не напечатан: " + *beyond);
}

std::string GoodsName(size_t index, const TTovar& t) {
    constexpr long kShown = 40;
    std::string name = LeftChars(TrimText(t.Name), kShown);
    if (CharCount(t.Name) > static_cast<size_t>(kShown))
        name += "…";
    return "товара №" + std::to_string(index + 1) + " «" + name + "»";
}

// A goods line's figure. The line is named only when the figure is refused: spelling the name out
// for every figure of every line would cost a long receipt more than all its other checks.
void RequireGoods(double value, double limit, const char* what, size_t index, const TTovar& t,
                  int decimals = 2) {
    if (!WithinLimit(value, limit))
        Require(value, limit, what + GoodsName(index, t), decimals);
}

}  // namespace

std::string AmountText(double value, int decimals) {
    if (std::isfinite(value) && std::fabs(value) < 1e15)
        return FormatFixed(value, decimals);
    return FormatGeneral(value);
}

std::optional<std::string> BeyondLimitText(double value, double limit, const std::string& what,
                                           int decimals) {
    if (WithinLimit(value, limit))
        return std::nullopt;
    return what + " = " + AmountText(value, decimals) +
           " вне допустимых пределов (по модулю не более " + AmountText(limit, decimals) + ")";
}

void CheckReceiptAmounts(const TParam& param, const std::vector<TTovar>& goods) {
    double total = 0;
    for (size_t i = 0; i < goods.size(); ++i) {
        const TTovar& t = goods[i];
        RequireGoods(t.Kolvo, kMaxQuantity, "количество ", i, t, 3);
        RequireGoods(t.Cena, kMaxAmount, "цена ", i, t);
        const double sum = param.CENA_AS_SUMMA ? t.Cena : t.Kolvo * t.Cena;
        RequireGoods(sum, kMaxAmount, "сумма ", i, t);
        total += sum;
    }
    Require(total, kMaxAmount, "сумма товаров чека");
    Require(param.SUMMADOC, kMaxAmount, "SUMMADOC");
    Require(param.BreakSumNAL, kMaxAmount, "BreakSumNAL");
    Require(param.BreakSumVISA, kMaxAmount, "BreakSumVISA");
    for (size_t n = 0; n < param.BreakSumm.size(); ++n)
        Require(param.BreakSumm[n], kMaxAmount, "BreakSumm" + std::to_string(n));
}

void CheckCorrectionAmounts(const TParam& param) {
    CheckReceiptAmounts(param, {});
    double total = 0;
    for (size_t n = 0; n < 5; ++n)
        total += param.BreakSumm[n];
    Require(total, kMaxAmount, "сумма чека коррекции (BreakSumm0 … BreakSumm4)");
    for (size_t n = 0; n < param.CheckCorrect_NDS.size(); ++n) {
        Require(param.CheckCorrect_NDS[n], kMaxAmount,
                "CheckCorrect_NDS, сумма №" + std::to_string(n + 1));
    }
}

}  // namespace orvenka
