#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "drivers/variant.h"

// The byte forms of the fiscal data format that a register builds from tag values: TLV
// structures and the nomenclature code of marked goods (tag 1162). The simulated ATOL register
// answers its utilFormTlv and utilFormNomenclature with them.
//
// A TLV is the tag number (2 bytes, little-endian), the length of the value (2 bytes,
// little-endian) and the value. Text values are in code page 866, as the format requires of every
// string it carries; a character that code page lacks becomes its nearest ASCII sign (quotes and
// dashes) or "?". Figures that do not fit the format raise Failure with the register's text.
namespace orvenka {

// UTF-8 text in code page 866.
Bytes ToCp866(std::string_view utf8);

// One TLV per tag, in the order given. The value's form follows the tag (text, unix time in 4
// bytes, a byte, a 32-bit number); a text longer than its tag allows is refused.
Bytes FormTlv(const std::vector<std::pair<int, Variant>>& tags);

// Marking types of goods (NomenclatureType) and the code the format gives each.
// 2 furs 0x0002, 3 medicines 0x0003, 5 tobacco 0x0005, 6 shoes 0x1520.
// The code: the marking type (2 bytes, big-endian), the GTIN as a 48-bit number (6 bytes,
// big-endian), then the serial number in ASCII; 32 bytes at most.
Bytes FormNomenclature(int nomenclatureType, const std::string& gtin, const std::string& serial);

// Upper-case hexadecimal pairs without separators, and back. FromHex raises Failure on an odd
// count or a character that is not a hexadecimal digit.
std::string ToHex(const Bytes& bytes);
Bytes FromHex(std::string_view hex);

}  // namespace orvenka
