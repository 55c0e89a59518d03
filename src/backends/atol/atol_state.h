#pragma once
#include <vector>

#include "receipt/records.h"

namespace orvenka {

// A goods line as the ATOL back-end keeps it until printing: the line and a copy of the goods
// record it came from (marking and tag fields).
struct AtolSale {
    TSale sale;
    TTovar tovar;
};

// What the ATOL back-end keeps between its calls. The driver object itself is AtolDriver's.
struct AtolState {
    bool BeepDone = false;  // the register beeps once per run, at the first connection

    // The receipt under construction, from ATOL_BeginCheck to the end of ATOL_PrintCheck.
    bool CheckBegun = false;
    std::vector<TDop> DopList;
    std::vector<AtolSale> SaleList;
    // The price column holds line sums (CENA_AS_SUMMA) until the lines are re-expressed against
    // SUMMADOC, which leaves unit prices.
    bool PricesAreSums = false;
    // VAT of the basic and of the reduced rate over the emulated goods lines of one receipt.
    double VatTotals[2] = {0, 0};
};

}  // namespace orvenka
