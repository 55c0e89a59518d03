#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/dates.h"
#include "drivers/variant.h"

// What the files of the simulated ATOL register share: its error codes and its money arithmetic.
namespace orvenka::fptr10sim {

// Error codes of this driver.
inline constexpr int kNoLink = 2;
inline constexpr int kBadValue = 3;
inline constexpr int kNotPermitted = 4;
inline constexpr int kPaperOut = 44;
inline constexpr int kShiftExpired = 68;
inline constexpr int kNotEnoughMoney = 79;
inline constexpr int kBusy = 98;

inline constexpr TDateTime kFnValidUntil = 47848.0;  // 31.12.2030

// Money as the register counts it: whole kopecks.
int64_t Kopecks(double roubles);
std::string Money(int64_t kopecks);
// The line sum the register computes: the quantity taken to 3 decimals and the price to 2, the
// exact decimal product rounded half away from zero to kopecks.
int64_t LineKopecks(double quantity, double price);
bool AllDigits(const std::string& s);
// The fiscal tags of an operation as the tape shows them: " 1008=a@b.ru 1162=450D…".
std::string TagsText(const std::vector<std::pair<int, Variant>>& tags);

}  // namespace orvenka::fptr10sim
