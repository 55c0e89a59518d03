#pragma once
#include <string>
#include <string_view>
#include <vector>

// Text routines. Every string is UTF-8; lengths, positions and cuts count characters (code
// points), never bytes, because widths are what a person or a register sees.
namespace orvenka {

// --- characters --------------------------------------------------------------------------
std::u32string ToU32(std::string_view text);
std::string FromU32(std::u32string_view text);
size_t CharCount(std::string_view text);
// First n characters (all when shorter; empty for n <= 0).
std::string LeftChars(std::string_view text, long n);
// Characters from position `from` (1-based) on, at most `count` of them.
std::string MidChars(std::string_view text, long from, long count);

// The text when it has at most `maxChars` characters; otherwise its first `maxChars` followed by
// " …[обрезано, всего N символов]". Reads no further than it keeps, whatever the length.
std::string CutLongText(std::string_view text, size_t maxChars);

// Upper case of the Latin letters a-z only (the command line rule).
std::string UpperLatin(std::string_view text);
// Upper case of Latin and of every Cyrillic letter Windows-1251 holds.
std::string UpperRus(std::string_view text);
// Equal without regard to case (Latin and Cyrillic).
bool SameNoCase(std::string_view a, std::string_view b);
// Case-insensitive ordering (Latin and Cyrillic), for sorted registers.
int CompareNoCase(std::string_view a, std::string_view b);

// --- the routines of the behaviour ---------------------------------------------------------
// Empty or made of blanks (code 32) only; tabs are not blanks.
bool IsBlank(std::string_view text);
// Without leading and trailing characters of code 32 or below.
std::string TrimText(std::string_view text);
bool SameTrimmed(std::string_view a, std::string_view b);
// 1-based character position of `part` in `text` ignoring case, 0 when absent.
long PosNoCase(std::string_view part, std::string_view text);
bool IsPlus(std::string_view text);
std::string PlusOrBlank(bool flag);
std::string RepeatText(std::string_view text, long n);
// Cut to `width` characters or padded with blanks to it; width <= 0 gives an empty text.
std::string FitText(std::string_view text, long width, bool rightAlign);
std::string WithBackslash(std::string_view text);
// Money normalisation: "," -> ".", blanks/quotes/apostrophes/NBSP dropped, digits, "-" and "."
// kept, anything else empties the whole result.
std::string CleanNumber(std::string_view text);
// Blank -> 0; first "," becomes "."; unreadable -> 0.
double TextToFloat(std::string_view text);

// Splits a line by the comma-separated-text rule: characters of codes 1-32 before and after an
// item are skipped; an item in double quotes runs to the closing quote ("" inside stands for
// one quote; an unclosed quote runs to the end of the line); any other item ends at a comma or
// at a character of code 32 or less; two commas in a row give an empty item and a comma at the
// very end one more. A NUL character ends the line.
std::vector<std::string> SplitCommaText(std::string_view line);

// Splits a text at each occurrence of a separator character.
std::vector<std::string> SplitText(std::string_view text, char separator);

}  // namespace orvenka
