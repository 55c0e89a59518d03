#pragma once
#include <string>

#include "common/numbers.h"

namespace orvenka {

// The VAT row of a goods line on a register's non-fiscal imitation of a receipt. Code 18 stands
// for the basic rate, which is 20 % (a file's 20 arrives as 18); 10 the reduced rate; 0 the zero
// rate and -1 no VAT print a caption alone; any other code prints nothing.
struct ImitationVat {
    std::string caption;
    bool withAmount = false;  // the caption and the amount as a pair
    double amount = 0;        // the VAT inside the line's sum
    int total = 0;            // the receipt's VAT total it adds to: 0 the 20 %, 1 the 10 % one
};

inline ImitationVat ImitationVatOf(int nds, double sum) {
    if (nds == 18 || nds == 20)
        return {"НДС 20%", true, sum - sum / 1.2, 0};
    if (nds == 10)
        return {"НДС 10%", true, sum - sum / 1.1, 1};
    if (nds == 0)
        return {"НДС 0%", false, 0, 0};
    if (nds == -1)
        return {"Без НДС", false, 0, 0};
    return {};
}

// Prints a goods line's VAT row through the register's own output (`pair` for a caption and an
// amount, `line` for a caption alone) and adds its amount to the receipt's `totals`.
template <class PrintPair, class PrintLine>
void PrintImitationVat(int nds, double sum, double (&totals)[2], PrintPair pair, PrintLine line) {
    const ImitationVat vat = ImitationVatOf(nds, sum);
    if (vat.withAmount) {
        totals[vat.total] += vat.amount;
        pair(vat.caption, FormatMoney(vat.amount));
    } else if (!vat.caption.empty()) {
        line(vat.caption);
    }
}

// The receipt's VAT totals under its sum: a row for each rate that has any.
template <class PrintPair>
void PrintImitationVatTotals(const double (&totals)[2], PrintPair pair) {
    if (totals[0] != 0)
        pair("НДС20%", FormatMoney(totals[0]));
    if (totals[1] != 0)
        pair("НДС10%", FormatMoney(totals[1]));
}

}  // namespace orvenka
