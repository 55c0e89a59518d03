#include "receipt/param_reader.h"

#include <cstdio>
#include <limits>
#include <string_view>
#include <vector>

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/key_values.h"
#include "common/numbers.h"
#include "common/text.h"
#include "receipt/param_keys.h"

namespace orvenka {
namespace {

// A VAT amount of a correction. An infinity or NaN written out is kept as such, not read as 0
// like other text, so that the correction's limit check refuses it instead of sending no VAT.
double CorrectionVat(const std::string& item) {
    const std::string word = UpperLatin(TrimText(item));
    if (word == "INF" || word == "+INF" || word == "INFINITY" || word == "+INFINITY")
        return std::numeric_limits<double>::infinity();
    if (word == "-INF" || word == "-INFINITY")
        return -std::numeric_limits<double>::infinity();
    if (word == "NAN" || word == "+NAN" || word == "-NAN")
        return std::numeric_limits<double>::quiet_NaN();
    return TextToFloat(item);
}

constexpr std::string_view kPaymentPrefix =
    "Ошибка в параметрах BreakSumNAL или BreakSumVISA или BreakSummX ";

// The lines of the file under the one key=value rule, with the Param.ini-only count of
// "Oplata=" lines.
class ParamLines {
  public:
    explicit ParamLines(std::vector<std::string> lines) : keys_(std::move(lines)) {}

    const std::vector<std::string>& Lines() const { return keys_.Lines(); }

    // The text after the first "=" of the key's first line; empty when the key is absent.
    std::string Value(std::string_view key) const { return keys_.Value(key).value_or(""); }

    size_t CountOplataLines() const {
        size_t n = 0;
        for (const auto& line : Lines())
            n += param_keys::HoldsOplataKey(line) ? 1 : 0;
        return n;
    }

  private:
    KeyValueLines keys_;
};

// --- value clean-ups ---------------------------------------------------------------------

// C: control characters below 31 become blanks, then trimmed.
std::string Cleaned(std::string_view value) {
    std::string text(value);
    for (auto& c : text) {
        if (static_cast<unsigned char>(c) < 31)
            c = ' ';
    }
    return TrimText(text);
}

// EQ(x)
bool Equals(std::string_view value, std::string_view x) {
    return SameTrimmed(value, x);
}

// M: the money normalisation, unreadable giving 0.
double Money(std::string_view value) {
    return ReadFloat(CleanNumber(value), 0);
}

// M where an unreadable number is an error rather than 0.
double StrictMoney(std::string_view value, std::string_view key) {
    const std::string text = CleanNumber(value);
    if (text.empty())
        return 0;
    const auto number = ParseFloat(text);
    if (!number) {
        throw Failure("Значение параметра " + std::string(key) +
                      " не является числом: " + Cleaned(value));
    }
    return *number;
}

// --- the steps of a read -----------------------------------------------------------------

// The character just before the first "=" must be printable: a blank there makes the key
// unknown, and the accounting system would never learn why its value was ignored. Every line
// is checked, the last one included.
void CheckBlankBeforeEquals(const std::vector<std::string>& lines) {
    for (size_t n = 0; n < lines.size(); ++n) {
        const auto eq = lines[n].find('=');
        if (eq == std::string::npos || eq == 0)
            continue;
        const auto code = static_cast<unsigned char>(lines[n][eq - 1]);
        if (code > 32)
            continue;
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", code);
        // A NUL would cut the answer file short for many readers; the codes still tell it.
        const std::string shown =
            code == 0 ? std::string("?") : std::string(1, static_cast<char>(code));
        throw Failure("В строке " + std::to_string(n + 1) +
                      " Param.ini ПЕРЕД знаком \"=\" обнаружен недопустимый символ (" + shown +
                      ")" + hex + "hex или " + std::to_string(code) + "dec");
    }
}

void CheckDigits(const std::string& value, std::string_view key) {
    if (!value.empty() && !ParseFloat(value)) {
        throw Failure(param_keys::DigitsOnlyFailure(key, value));
    }
}

// Keys 1 to 17. Each field is stored as soon as it is read and checked, so a failure leaves
// the earlier fields new and the later ones as the previous read left them.
void ReadHead(const ParamLines& f, TParam& p) {
    const std::string sno = f.Value("SNO");
    if (!param_keys::SnoAccepted(sno))
        throw Failure(std::string(param_keys::kSnoFailure));
    // Trimmed: the back-ends compare the code exactly.
    p.SNO = UpperLatin(TrimText(sno));
    p.NumCheck = Cleaned(f.Value("NumCheck"));
    p.AuthorName = Cleaned(f.Value("AuthorName"));
    p.AuthorCaption = Cleaned(f.Value("AuthorCaption"));
    const std::string authorInn = Cleaned(f.Value("AuthorINN"));
    CheckDigits(authorInn, "AuthorINN");
    p.AuthorINN = authorInn;
    p.CheckCorrect_NAME = Cleaned(f.Value("CheckCorrect_NAME"));
    p.CheckCorrect_DATE = Cleaned(f.Value("CheckCorrect_DATE"));
    p.CheckCorrect_NUM = Cleaned(f.Value("CheckCorrect_NUM"));
    p.CheckCorrect_NDS.fill(0);
    // The comma-text list: items separated by commas or blanks, quoted items may hold either.
    const auto nds = SplitCommaText(f.Value("CheckCorrect_NDS"));
    for (size_t i = 0; i < nds.size() && i < p.CheckCorrect_NDS.size(); ++i)
        p.CheckCorrect_NDS[i] = CorrectionVat(nds[i]);
    p.ECheck = Equals(Cleaned(f.Value("ECheck")), "ON");
    p.DocumStr = Cleaned(f.Value("DocumStr"));
    p.EmailOrTel = Cleaned(f.Value("EmailOrTel"));
    p.t1085 = Cleaned(f.Value("t1085"));
    p.t1086 = Cleaned(f.Value("t1086"));
    p.PoluchatelName = Cleaned(f.Value("PoluchatelName"));
    const std::string buyerInn = Cleaned(f.Value("PoluchatelINN"));
    CheckDigits(buyerInn, "PoluchatelINN");
    p.PoluchatelINN = buyerInn;
    const std::string cenaAsSumma = Cleaned(f.Value("CENA_AS_SUMMA"));
    p.CENA_AS_SUMMA = Equals(cenaAsSumma, "v1") || Equals(cenaAsSumma, "+");
    if (p.CENA_AS_SUMMA)
        p.CenaAsSummaMode = "v1";
}

void ReadPaymentSteps(const ParamLines& f, TParam& p) {
    for (size_t n = 0; n < p.BreakSumm.size(); ++n) {
        p.BreakSumm[n] = Money(f.Value("BreakSumm" + std::to_string(n)));
        if (p.BreakSumm[n] != 0)
            p.BreakSummUsed = true;
    }
    const size_t oplataLines = f.CountOplataLines();
    if (oplataLines == 0)
        throw Failure("Не указан обязательный параметр Oplata");
    if (oplataLines > 1)
        throw Failure("Параметр Oplata указан дважды!");
    p.Oplata = Cleaned(f.Value("Oplata"));
    const bool isBreak = Equals(p.Oplata, "BREAK");
    if (p.BreakSummUsed && !isBreak) {
        throw Failure(std::string(param_keys::kBreakSummNeedsBreak));
    }
    if (isBreak) {
        p.OplataBreak = true;
        p.Oplata.clear();
        p.BreakSumNAL = StrictMoney(f.Value("BreakSumNAL"), "BreakSumNAL");
        p.BreakSumVISA = StrictMoney(f.Value("BreakSumVISA"), "BreakSumVISA");
        if (!p.BreakSummUsed && p.BreakSumNAL == 0 && p.BreakSumVISA == 0) {
            throw Failure(std::string(param_keys::kBreakSumsEmpty));
        }
    } else {
        p.OplataBreak = false;
    }
}

// Keys 18 to 21.
void ReadPayment(const ParamLines& f, TParam& p) {
    p.BreakSumNAL = 0;
    p.BreakSumVISA = 0;
    p.BreakSummUsed = false;
    try {
        ReadPaymentSteps(f, p);
    } catch (const Failure& failure) {
        throw Failure(std::string(kPaymentPrefix) + failure.what());
    }
}

// Keys 22 to 60.
void ReadTail(const ParamLines& f, TParam& p) {
    p.HandMade = IsPlus(f.Value("HandMade"));
    p.AgentInfoINN1016 = TrimText(f.Value("AgentInfoINN1016"));
    p.AgentInfoName1026 = TrimText(f.Value("AgentInfoName1026"));
    p.suplierInfoINN1226 = TrimText(f.Value("suplierInfoINN1226"));
    p.suplierInfoName1225 = TrimText(f.Value("suplierInfoName1225"));
    p.suplierInfoTel1171 = TrimText(f.Value("suplierInfoTel1171"));
    const std::string name = f.Value("Name");
    p.NameFull = Equals(name, "FULL");
    p.Name = ReadInt(name, 0);
    p.Cena = ReadInt(f.Value("Cena"), 0);
    p.Summa = ReadInt(f.Value("Summa"), 0);
    p.Kolvo = ReadInt(f.Value("Kolvo"), 0);
    p.isNotFiscal = Equals(TrimText(f.Value("Fiscal")), "-");
    p.SUMMADOC = Money(f.Value("SUMMADOC"));
    p.Section = ReadInt(f.Value("Section"), 1);
    p.CHECKSHAPKA1 = f.Value("CHECKSHAPKA1");
    p.CHECKSHAPKA2 = f.Value("CHECKSHAPKA2");
    p.CHECKSHAPKA3 = f.Value("CHECKSHAPKA3");
    p.CHECKSHAPKA4 = f.Value("CHECKSHAPKA4");
    p.MESTORASCHETA = Cleaned(f.Value("MESTORASCHETA"));
    p.VERSION_FFD = ReadFloat(f.Value("VERSION_FFD"), 1.0);
    p.Predmet = ReadInt(f.Value("Predmet"), 0);
    p.Sposob = ReadInt(f.Value("Sposob"), 0);
    p.PRN_WIDHT = ReadInt(f.Value("PRN_WIDHT"), 0);
    p.PRN_FONT = Cleaned(f.Value("PRN_FONT"));
    p.PRN_SIZEFONT = ReadInt(f.Value("PRN_SIZEFONT"), 0);
    p.PRN_SIZEFONT_ITOG = ReadInt(f.Value("PRN_SIZEFONT_ITOG"), 0);
    p.PRN_SIZEFONT_QR = ReadInt(f.Value("PRN_SIZEFONT_QR"), 0);
    p.PRN_SPACE_LEFT_QR = ReadInt(f.Value("PRN_SPACE_LEFT_QR"), 0);
    p.PRN_WIDHT_ITOG = ReadInt(f.Value("PRN_WIDHT_ITOG"), 0);
    p.INN = Cleaned(f.Value("INN"));
    p.ZN = Cleaned(f.Value("ZN"));
    p.USER = Cleaned(f.Value("USER"));
    p.ADDRES = Cleaned(f.Value("ADDRES"));
    p.WEBADDRES = Cleaned(f.Value("WEBADDRES"));
    p.REGNUMKKT = Cleaned(f.Value("REGNUMKKT"));
    p.REGNUMFN = Cleaned(f.Value("REGNUMFN"));
    p.PRN_NAME = Cleaned(f.Value("PRN_NAME"));
    p.ISPREVIEW = Equals(f.Value("ISPREVIEW"), "ON");
    p.PRN_HEX_CUT = Cleaned(f.Value("PRN_HEX_CUT"));
    p.PRINT_PICTURE = IsPlus(f.Value("PRINT_PICTURE"));
}

void SelectNamedPrinter(const std::string& wanted, Platform& platform) {
    if (IsBlank(wanted))
        return;
    std::string list;
    for (const auto& printer : platform.Printers()) {
        list += printer + "\r";
        if (SameTrimmed(printer, wanted)) {
            platform.SelectPrinter(printer);
            return;
        }
    }
    throw Failure("Не найден принтер " + wanted + "\rсреди:\r" + list);
}

// `lines`, when given, receives the file's lines on success.
bool Read(const std::string& path, TParam& param, Logger& log, Platform& platform,
          std::vector<std::string>* lines) {
    try {
        InputLines read = LoadInputLines(path, kMaxParamFileBytes);
        if (read.utf8)
            log.LogMessage(Utf8InputMessage(path));
        const ParamLines file(std::move(read.lines));
        CheckBlankBeforeEquals(file.Lines());
        ReadHead(file, param);
        ReadPayment(file, param);
        ReadTail(file, param);
        SelectNamedPrinter(param.PRN_NAME, platform);
        if (lines)
            *lines = file.Lines();
        return true;
    } catch (const std::exception& e) {
        log.LogError("ReadParam:" + path + " " + e.what());
        return false;
    }
}

}  // namespace

bool ReadParam(const std::string& path, TParam& param, Logger& log, Platform& platform) {
    return Read(path, param, log, platform, nullptr);
}

bool ReadParam(const std::string& path, TParam& param, Logger& log, Platform& platform,
               std::vector<std::string>& lines) {
    return Read(path, param, log, platform, &lines);
}

}  // namespace orvenka
