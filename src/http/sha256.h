#pragma once
#include <string>
#include <string_view>

namespace orvenka {

// SHA-256 of `data` as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view data);

}  // namespace orvenka
