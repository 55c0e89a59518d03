#include "backends/atol/atol_item_code.h"

#include <cstdint>
#include <cstdio>

namespace orvenka {

std::optional<Bytes> AtolItemCodeBytes(const std::string& decimal) {
    if (decimal.empty() || decimal.size() > 20)
        return std::nullopt;
    uint64_t number = 0;
    for (const char c : decimal) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<uint64_t>(c - '0');
        if (number > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        number = number * 10 + digit;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(number));
    std::string hex = buffer;
    const size_t minDigits = decimal.size() - 1;
    if (hex.size() < minDigits)
        hex.insert(0, minDigits - hex.size(), '0');
    if (hex.size() % 2 != 0)
        hex.insert(0, 1, '0');

    Bytes bytes = {0x45, 0x0D};
    for (size_t i = 0; i < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

}  // namespace orvenka
