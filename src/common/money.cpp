#include "common/money.h"

#include <cmath>

#include "common/numbers.h"

namespace orvenka {
namespace {

constexpr double kMaxQuantity = 1e9;
constexpr double kMaxPrice = 1e11;

}  // namespace

std::optional<__int128> ExactLineProduct(double quantity, double price) {
    if (!std::isfinite(quantity) || !std::isfinite(price) || std::fabs(quantity) > kMaxQuantity ||
        std::fabs(price) > kMaxPrice) {
        return std::nullopt;
    }
    return static_cast<__int128>(std::llround(quantity * 1000)) * std::llround(price * 100);
}

int64_t ProductKopecks(__int128 product) {
    const __int128 magnitude = product < 0 ? -product : product;
    const auto kopecks = static_cast<int64_t>((magnitude + 500) / 1000);
    return product < 0 ? -kopecks : kopecks;
}

int64_t ToKopecks(double roubles) {
    if (!std::isfinite(roubles) || std::fabs(roubles) > 9e16)
        return 0;
    return std::llround(RoundViaMask(roubles, 2) * 100);
}

double FromKopecks(int64_t kopecks) {
    return static_cast<double>(kopecks) / 100 + 0.0;
}

}  // namespace orvenka
