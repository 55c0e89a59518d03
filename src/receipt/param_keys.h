#pragma once
#include <array>
#include <string>
#include <string_view>

#include "common/text.h"

// What the Param.ini reader, the writer and the editor share: the tax-system check, the count of
// "Oplata=" lines and the payment failures.
namespace orvenka::param_keys {

inline constexpr std::string_view kSnoFailure =
    "Не верно указан параметр SNO\rОн может принимать значения OSN DOH DOHRASH ENVD ESN PATENT";

// Blank (after trimming) or exactly one of the tax-system codes, ignoring case. A part of a code
// ("SN", "RASH") is refused: the register back-ends compare the code exactly, so such a value
// would silently send no tax system at all.
inline bool SnoAccepted(std::string_view value) {
    static constexpr std::array<std::string_view, 6> kCodes = {"OSN",  "DOH", "DOHRASH",
                                                               "ENVD", "ESN", "PATENT"};
    const std::string code = TrimText(value);
    if (code.empty())
        return true;
    for (const auto known : kCodes) {
        if (SameNoCase(code, known))
            return true;
    }
    return false;
}

// An INN (taxpayer number) must read as a number when it is not empty.
inline std::string DigitsOnlyFailure(std::string_view key, std::string_view value) {
    return "в параметре " + std::string(key) + " должны быть только цифры " + std::string(value);
}

inline constexpr std::string_view kBreakSummNeedsBreak =
    "При использовании BreakSummX должно быть указано Oplata=Break";
inline constexpr std::string_view kBreakSumsEmpty =
    "Ошибка в параметрах BreakSumNAL или BreakSumVISA или BreakSummX:они не заполнены хотя указана "
    "Oplata=Break ";

// True when the line holds "Oplata=" anywhere, ignoring case: the reader takes a file only with
// exactly one such line. The text is Latin, and no other letter upper-cases into Latin, so an
// ASCII comparison is the whole rule.
inline bool HoldsOplataKey(std::string_view line) {
    static constexpr std::string_view kKey = "OPLATA=";
    const auto upper = [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    };
    for (size_t i = 0; i + kKey.size() <= line.size(); ++i) {
        size_t k = 0;
        while (k < kKey.size() && upper(line[i + k]) == kKey[k])
            ++k;
        if (k == kKey.size())
            return true;
    }
    return false;
}

}  // namespace orvenka::param_keys
