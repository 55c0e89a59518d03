#pragma once
#include <optional>
#include <string>
#include <string_view>

// Number reading and writing, independent of the process locale: "." is always the decimal
// separator.
namespace orvenka {

// Whole number: leading blanks skipped, optional sign, decimal digits, or hexadecimal after
// "$", "x" or "0x"; nothing may follow. Out of the 32-bit range is not a number.
std::optional<int> ParseInt(std::string_view text);
int ReadInt(std::string_view text, int defaultValue);

// Decimal number with "." as separator, optional sign and exponent; blanks around it allowed.
std::optional<double> ParseFloat(std::string_view text);
double ReadFloat(std::string_view text, double defaultValue);

// The masks "0.00" / "0.000": fixed decimals, halves away from zero. The value is first taken
// to 15 significant digits, as the decimal text a person wrote (2.675 gives 2.68).
std::string FormatFixed(double value, int decimals);
inline std::string FormatMoney(double value) {
    return FormatFixed(value, 2);
}
inline std::string FormatQty(double value) {
    return FormatFixed(value, 3);
}
// Rounds through the mask and reads the result back (how goods quantities and prices are kept).
double RoundViaMask(double value, int decimals);

// General decimal form with up to 15 significant digits and no trailing zeros: 1234.5, 18, 0.1.
std::string FormatGeneral(double value);

}  // namespace orvenka
