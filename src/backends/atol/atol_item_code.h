#pragma once
#include <optional>
#include <string>

#include "drivers/variant.h"

namespace orvenka {

// The nomenclature code (tag 1162) ATOL_SendItemCode forms from a decimal text of n digits: the
// bytes 0x45, 0x0D, then the number in hexadecimal with at least n - 1 digits, one byte per pair,
// first pair first. An odd count of digits gets a leading zero, so every byte stays whole.
// nullopt when the text is not a decimal number that fits 64 bits.
std::optional<Bytes> AtolItemCodeBytes(const std::string& decimal);

}  // namespace orvenka
