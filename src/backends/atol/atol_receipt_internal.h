#pragma once
#include <cstdint>
#include <string>

#include "receipt/records.h"

// What the files of the ATOL receipt share: how a command, a VAT code and a line sum read to the
// register.
namespace orvenka::atolreceipt {

// CORRECT_PRIH or CORRECT_RASH.
bool IsCorrection(const std::string& command);

// The driver's VAT rate of a VAT code; empty for a code the register has no rate for.
std::string TaxTypeOf(int nds);

// What a line adds to the goods total, as the register computes it: the line sum of the price
// column (CENA_AS_SUMMA), otherwise quantity × price as the exact decimal product rounded to
// kopecks.
double LineAmount(bool pricesAreSums, double kolvo, double cena);

// The basis document date of a correction receipt as the register takes it (tag 1178).
int64_t CorrectionDateSeconds(const TParam& p);

}  // namespace orvenka::atolreceipt
