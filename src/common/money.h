#pragma once
#include <cstdint>
#include <optional>

// Money as a register counts it: whole kopecks, quantities in thousandths, and the line sum as
// the exact decimal product. The register back-ends and the simulated registers share it, so
// the program and a register never disagree by a kopeck that binary floating point made up.
namespace orvenka {

// quantity × price exactly, in thousandths of a kopeck: the quantity taken to 3 decimals and
// the price to 2, as a register takes them. nullopt for figures no register can hold (and that
// would overflow): a quantity beyond 1e9, a price beyond 1e11, infinities and NaN.
std::optional<__int128> ExactLineProduct(double quantity, double price);

// An exact product in thousandths of a kopeck, rounded half away from zero to kopecks.
int64_t ProductKopecks(__int128 product);

// Roubles to whole kopecks, halves away from zero, the value first taken to 15 significant
// digits as the decimal a person wrote (0.285 is 29 kopecks, not the 28 of its binary value).
int64_t ToKopecks(double roubles);
double FromKopecks(int64_t kopecks);

}  // namespace orvenka
