#pragma once
#include <string>
#include <string_view>

namespace orvenka {

// Decodes the UTF-8 sequence at i and moves past it. On a broken sequence (bad lead or
// continuation byte, truncated, overlong, surrogate, beyond U+10FFFF) it moves one byte and
// answers false, so every caller counts a broken byte as exactly one character.
bool DecodeUtf8(std::string_view s, size_t& i, char32_t& cp);
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace orvenka
