#include "receipt/amounts.h"

#include <cmath>

#include "common/failure.h"
#include "common/numbers.h"
#include "common/text.h"

namespace orvenka {
namespace {

bool Within(double value, double limit) {
    return std::isfinite(value) && std::fabs(value) <= limit;
}

void Require(double value, double limit, const std::string& what, int decimals = 2) {
    if (!Within(value, limit)) {
        throw Failure("Чек не напечатан: " + what + " = " + AmountText(value, decimals) +
                      " вне допустимых пределов (по модулю не более " +
                      AmountText(limit, decimals) + ")");
    }
}

std::string GoodsName(size_t index, const TTovar& t) {
    constexpr long kShown = 40;
    std::string name = LeftChars(TrimText(t.Name), kShown);
    if (CharCount(t.Name) > static_cast<size_t>(kShown))
        name += "…";
    return "товара №" + std::to_string(index + 1) + " «" + name + "»";
}

}  // namespace

std::string AmountText(double value, int decimals) {
    if (std::isfinite(value) && std::fabs(value) < 1e15)
        return FormatFixed(value, decimals);
    return FormatGeneral(value);
}

void CheckReceiptAmounts(const TParam& param, const std::vector<TTovar>& goods) {
    double total = 0;
    for (size_t i = 0; i < goods.size(); ++i) {
        const TTovar& t = goods[i];
        Require(t.Kolvo, kMaxQuantity, "количество " + GoodsName(i, t), 3);
        Require(t.Cena, kMaxAmount, "цена " + GoodsName(i, t));
        const double sum = param.CENA_AS_SUMMA ? t.Cena : t.Kolvo * t.Cena;
        Require(sum, kMaxAmount, "сумма " + GoodsName(i, t));
        total += sum;
    }
    Require(total, kMaxAmount, "сумма товаров чека");
    Require(param.SUMMADOC, kMaxAmount, "SUMMADOC");
    Require(param.BreakSumNAL, kMaxAmount, "BreakSumNAL");
    Require(param.BreakSumVISA, kMaxAmount, "BreakSumVISA");
    for (size_t n = 0; n < param.BreakSumm.size(); ++n)
        Require(param.BreakSumm[n], kMaxAmount, "BreakSumm" + std::to_string(n));
}

}  // namespace orvenka
