#pragma once
#include <array>
#include <string_view>

#include "common/text.h"

// What the Param.ini reader and writer share: the keys the reader takes and the tax-system check.
namespace orvenka::param_keys {

// Every key the reader looks up. The reader indexes only these, so a huge file of unknown keys
// costs one pass and no memory per line.
inline constexpr std::string_view kReadKeys[] = {
    "SNO",
    "NumCheck",
    "AuthorName",
    "AuthorCaption",
    "AuthorINN",
    "CheckCorrect_NAME",
    "CheckCorrect_DATE",
    "CheckCorrect_NUM",
    "CheckCorrect_NDS",
    "ECheck",
    "DocumStr",
    "EmailOrTel",
    "t1085",
    "t1086",
    "PoluchatelName",
    "PoluchatelINN",
    "CENA_AS_SUMMA",
    "BreakSumm0",
    "BreakSumm1",
    "BreakSumm2",
    "BreakSumm3",
    "BreakSumm4",
    "BreakSumm5",
    "BreakSumm6",
    "BreakSumm7",
    "BreakSumm8",
    "BreakSumm9",
    "Oplata",
    "BreakSumNAL",
    "BreakSumVISA",
    "HandMade",
    "AgentInfoINN1016",
    "AgentInfoName1026",
    "suplierInfoINN1226",
    "suplierInfoName1225",
    "suplierInfoTel1171",
    "Name",
    "Cena",
    "Summa",
    "Kolvo",
    "Fiscal",
    "SUMMADOC",
    "Section",
    "CHECKSHAPKA1",
    "CHECKSHAPKA2",
    "CHECKSHAPKA3",
    "CHECKSHAPKA4",
    "MESTORASCHETA",
    "VERSION_FFD",
    "Predmet",
    "Sposob",
    "PRN_WIDHT",
    "PRN_FONT",
    "PRN_SIZEFONT",
    "PRN_SIZEFONT_ITOG",
    "PRN_SIZEFONT_QR",
    "PRN_SPACE_LEFT_QR",
    "PRN_WIDHT_ITOG",
    "INN",
    "ZN",
    "USER",
    "ADDRES",
    "WEBADDRES",
    "REGNUMKKT",
    "REGNUMFN",
    "PRN_NAME",
    "ISPREVIEW",
    "PRN_HEX_CUT",
    "PRINT_PICTURE",
};

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
