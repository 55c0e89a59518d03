#pragma once
#include <optional>
#include <string>

namespace orvenka {

// The one codec between the program's UTF-8 strings and the Windows-1251 files it shares with
// the accounting system. Decoding is lossless for every byte (0x98, unassigned in Windows-1251,
// maps to U+0098 and back), so a file read and written again keeps its bytes.
std::string Cp1251ToUtf8(const std::string& bytes);

// A character without a Windows-1251 form (or a broken UTF-8 sequence) becomes "?".
std::string Utf8ToCp1251(const std::string& text);

// The first character of `text` without a Windows-1251 form (U+FFFD for a broken UTF-8
// sequence), which Utf8ToCp1251 would write as "?"; nullopt when every character has one.
std::optional<char32_t> FirstWithoutCp1251(const std::string& text);

// "U+04D8": a character as its code, readable whatever the file's encoding.
std::string CodePointName(char32_t cp);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(const std::string& bytes);

}  // namespace orvenka
