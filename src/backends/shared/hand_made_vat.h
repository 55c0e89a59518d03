#pragma once
#include <string>
#include <vector>

#include "common/failure.h"

namespace orvenka {

// The VAT code of the one line a fiscal hand-made receipt registers for all its goods: the code
// every goods line carries, so the fiscal document states the tax that was charged. Goods with
// differing codes cannot be summed into one line and are refused, naming the codes.
// A VAT code as the operator knows the rate: the file's 20 arrives as code 18.
inline std::string VatRateName(int code) {
    if (code == 18 || code == 20)
        return "20%";
    if (code == -1)
        return "без НДС";
    return std::to_string(code) + "%";
}

inline int HandMadeVat(const std::vector<int>& codes) {
    if (codes.empty())
        return 0;
    std::vector<int> distinct;
    for (const int code : codes) {
        bool seen = false;
        for (const int d : distinct)
            seen = seen || d == code;
        if (!seen)
            distinct.push_back(code);
    }
    if (distinct.size() == 1)
        return distinct.front();
    std::string rates;
    for (const int d : distinct)
        rates += (rates.empty() ? "" : ", ") + VatRateName(d);
    throw Failure(
        "Чек не напечатан: при HandMade=+ все товары регистрируются одной строкой с одной "
        "ставкой НДС, а у товаров чека разные ставки НДС (" +
        rates + "). Разделите товары на чеки по ставкам");
}

}  // namespace orvenka
