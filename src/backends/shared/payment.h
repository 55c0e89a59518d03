#pragma once
#include "common/text.h"
#include "receipt/records.h"

namespace orvenka {

// How a receipt is paid by Param.ini: the parts of a split (Oplata=BREAK), else the whole total
// in cash (Oplata empty) or electronically (any other Oplata).
struct ReceiptPayment {
    double cash = 0;
    double electronic = 0;
};

inline ReceiptPayment PaymentOf(const TParam& p, double total) {
    if (p.OplataBreak)
        return {p.BreakSumNAL, p.BreakSumVISA};
    if (IsBlank(p.Oplata))
        return {total, 0};
    return {0, total};
}

}  // namespace orvenka
