#include "receipt/param_writer.h"

#include <vector>

#include "common/failure.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "receipt/param_keys.h"

namespace orvenka {
namespace {

// Collects the key=value lines of the template.
class Entries {
  public:
    void Add(std::string_view key, std::string_view value) {
        std::string line(key);
        line += '=';
        // A line break inside a value would start a line of its own, which the reader would
        // take as another key (or as a second Oplata).
        for (char c : value)
            line += (c == '\r' || c == '\n') ? ' ' : c;
        lines_.push_back(std::move(line));
    }
    void Text(std::string_view key, const std::string& value) {
        if (!IsBlank(value))
            Add(key, value);
    }
    void Int(std::string_view key, int value) {
        if (value != 0)
            Add(key, std::to_string(value));
    }
    void Float(std::string_view key, double value) {
        if (value != 0)
            Add(key, FormatGeneral(value));
    }
    void Plus(std::string_view key, bool flag) {
        if (flag)
            Add(key, "+");
    }

    std::vector<std::string>& Lines() { return lines_; }

  private:
    std::vector<std::string> lines_ = {
        " #-----------------------------------",
        " # Файл параметров для печати чека",
        " #",
        " # !!В КОММЕНТАРИЯХ НЕЛЬЗЯ ИСПОЛЬЗОВТЬ ЗНАК РАВНО!!",
        " #",
        " #",
    };
};

}  // namespace

bool WriteParam(const std::string& path, const TParam& p) {
    // Checked before anything touches the file, so a refused template never replaces one.
    if (!IsBlank(p.SNO) && !param_keys::SnoAccepted(p.SNO)) {
        throw Failure(std::string(param_keys::kSnoFailure));
    }
    Entries e;
    e.Text("CHECKSHAPKA1", p.CHECKSHAPKA1);
    e.Text("CHECKSHAPKA2", p.CHECKSHAPKA2);
    e.Text("CHECKSHAPKA3", p.CHECKSHAPKA3);
    e.Text("CHECKSHAPKA4", p.CHECKSHAPKA4);
    if (!IsBlank(p.SNO))
        e.Add("SNO", UpperLatin(TrimText(p.SNO)));
    e.Text("NumCheck", p.NumCheck);
    e.Text("AuthorName", p.AuthorName);
    e.Text("AuthorCaption", p.AuthorCaption);
    e.Text("AuthorINN", p.AuthorINN);
    if (p.OplataBreak) {
        e.Add("Oplata", "BREAK");
        e.Add("BreakSumNAL", FormatGeneral(p.BreakSumNAL));
        e.Add("BreakSumVISA", FormatGeneral(p.BreakSumVISA));
    } else {
        e.Add("Oplata", p.Oplata);
    }
    e.Int("Predmet", p.Predmet);
    e.Int("Sposob", p.Sposob);
    e.Text("DocumStr", TrimText(p.DocumStr));
    e.Text("EmailOrTel", TrimText(p.EmailOrTel));
    e.Add("ECheck", p.ECheck ? "ON" : "OFF");
    e.Plus("HandMade", p.HandMade);
    e.Int("CENA", p.Cena);
    e.Int("KOLVO", p.Kolvo);
    e.Int("SUMMA", p.Summa);
    if (p.NameFull) {
        e.Add("NAME", "FULL");
    } else {
        e.Int("NAME", p.Name);
    }
    e.Add("Fiscal", p.isNotFiscal ? "-" : "");
    e.Float("SUMMADOC", p.SUMMADOC);
    e.Int("Section", p.Section);
    e.Text("INN", p.INN);
    e.Text("ZN", p.ZN);
    e.Text("USER", p.USER);
    e.Text("ADDRES", p.ADDRES);
    e.Text("WEBADDRES", p.WEBADDRES);
    e.Text("REGNUMKKT", p.REGNUMKKT);
    e.Text("REGNUMFN", p.REGNUMFN);
    e.Int("PRN_WIDHT", p.PRN_WIDHT);
    e.Int("PRN_WIDHT_ITOG", p.PRN_WIDHT_ITOG);
    e.Text("PRN_FONT", p.PRN_FONT);
    e.Int("PRN_SIZEFONT", p.PRN_SIZEFONT);
    e.Int("PRN_SIZEFONT_ITOG", p.PRN_SIZEFONT_ITOG);
    e.Int("PRN_SIZEFONT_QR", p.PRN_SIZEFONT_QR);
    e.Int("PRN_SPACE_LEFT_QR", p.PRN_SPACE_LEFT_QR);
    e.Plus("PRINT_PICTURE", p.PRINT_PICTURE);
    e.Text("PRN_NAME", p.PRN_NAME);
    if (p.ISPREVIEW)
        e.Add("ISPREVIEW", "ON");
    e.Text("PRN_HEX_CUT", p.PRN_HEX_CUT);
    SaveLinesAtomic(path, e.Lines());
    return true;
}

}  // namespace orvenka
