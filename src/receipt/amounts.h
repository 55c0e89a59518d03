#pragma once
#include <optional>
#include <string>
#include <vector>

#include "receipt/records.h"

// The limits of what a receipt may carry. Money is a double here, and a file may hold any digits:
// "1" followed by 200 zeros is read as a number, its product with another is infinite, and a
// counter holding it is written as "INF" and read back as 0. Such amounts are refused before
// anything is printed or counted.
namespace orvenka {

// One goods line's sum, its price, a receipt's total and each part of a payment: ten digits of
// roubles, within what every register takes in one operation (Shtrih-M counts sums in five
// bytes of kopecks, up to 10 995 116 277.75).
inline constexpr double kMaxAmount = 9'999'999'999.99;
// A goods line's quantity: nine digits (Shtrih-M counts thousandths in five bytes, up to
// 1 099 511 627.775).
inline constexpr double kMaxQuantity = 999'999'999.999;
// The sums of the emulated shift counters: twelve digits of roubles, so that a counter written
// with the mask "0.00" (at most 14 significant digits) reads back as the very same number.
inline constexpr double kMaxCounter = 999'999'999'999.99;

// A number for a message: the mask "0.00" ("0.000" for 3 decimals) within the limits, otherwise
// its general form (1E200, INF), never two hundred digits.
std::string AmountText(double value, int decimals = 2);
// "`what` = value вне допустимых пределов (по модулю не более limit)" when the value is not
// finite or beyond the limit; nullopt within it.
std::optional<std::string> BeyondLimitText(double value, double limit, const std::string& what,
                                           int decimals = 2);

// Raises Failure ("Чек не напечатан: …") naming the first goods line, total or Param.ini
// amount that is not finite or beyond its limit. The line sum is Kolvo × Cena, or Cena alone
// with CENA_AS_SUMMA.
void CheckReceiptAmounts(const TParam& param, const std::vector<TTovar>& goods);

// The same for a correction receipt made from Param.ini alone: its payment parts, their sum and
// its VAT amounts (CheckCorrect_NDS).
void CheckCorrectionAmounts(const TParam& param);

}  // namespace orvenka
