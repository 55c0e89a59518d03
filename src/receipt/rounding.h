#pragma once
#include <string>
#include <vector>

#include "common/logger.h"
#include "receipt/records.h"

// The arithmetic the register back-ends use to re-express goods lines before sending them: a
// register takes a unit price with 2 decimals and a quantity with 3 and computes each line's
// sum itself.
namespace orvenka {

// Half-up rounding to `decimals` places of the binary value, computed in extended precision;
// not a banker's rounding. Negative values are rounded as their magnitude is (half away from
// zero).
double RoundHalfUp(double x, int decimals);
// Cuts after `n` decimals, toward zero.
double TruncDecimals(double x, int n);
// Two-decimal price: decimals after the third are cut before the rounding.
double Price2(double x);

// The sum a register computes for a line: the quantity taken to 3 decimals times the price taken
// to 2, the exact decimal product rounded half away from zero to kopecks (0.5 × 2.01 = 1.01, never
// the 1.00 that binary floating point gives). Figures no register can hold are a Failure.
double LineSum(double quantity, double price);

struct LinePrice {
    double quantity = 0;
    double price = 0;
};

// Re-expresses a line whose price column holds the line sum. When quantity × two-decimal
// price does not give the sum exactly in decimals (3 × 0.10 does give 0.30), the line becomes one
// unit at the full sum and `name` gets " (кол-во=<quantity>)". A zero quantity is a Failure.
LinePrice SplitLineSum(double quantity, double lineSum, std::string& name);

// With CENA_AS_SUMMA the price column holds line sums: every line is re-expressed by
// SplitLineSum (its name may grow) and its Summa becomes quantity × price, so from here on the
// line reads like any other and its sum is the one the goods total counted. Without the flag
// nothing changes. A zero quantity is a Failure and leaves every line as it was.
void SplitLineSums(const TParam& param, std::vector<TSale>& lines);

// Moves quantities and prices against SUMMADOC while every line keeps its sum, and leaves
// prices at 2 and quantities at 3 decimals. Lines that come out with a zero quantity or price
// are reported through `log` and kept as computed. A zero goods total with a non-zero SUMMADOC,
// or figures too large to compute, are a Failure; the lines are then left as they were.
void AdjustToSummaDoc(const TParam& param, std::vector<TTovar>& lines, Logger& log);
void AdjustToSummaDoc(const TParam& param, std::vector<TSale>& lines, Logger& log);

// The register adds up the line sums it computes, and the adjustment above keeps those sums only
// up to its roundings: this puts what is left between them and SUMMADOC on one line, as a new
// two-decimal price (or, failing that, a three-decimal quantity) whose product is the line's
// new sum in whole kopecks. `goodsTotal` is the total before the adjustment, for the refusal:
// when no line can take the difference, a Failure quotes it, SUMMADOC and the nearest total
// the register could make, and the lines are left as they were. SUMMADOC 0 changes nothing.
void MeetSummaDoc(const TParam& param, double goodsTotal, std::vector<TSale>& lines);

}  // namespace orvenka
