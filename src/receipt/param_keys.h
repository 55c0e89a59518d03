#pragma once
#include <array>
#include <string_view>

#include "common/text.h"

// What the Param.ini reader and writer share: the tax-system check.
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

}  // namespace orvenka::param_keys
