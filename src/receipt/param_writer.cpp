#include "receipt/param_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "common/cp1251.h"
#include "common/failure.h"
#include "common/files.h"
#include "common/key_values.h"
#include "common/numbers.h"
#include "common/text.h"
#include "common/utf8.h"
#include "receipt/param_keys.h"

namespace orvenka {
namespace {

constexpr std::array<std::string_view, 6> kHeader = {
    " #-----------------------------------",
    " # Файл параметров для печати чека",
    " #",
    " # !!В КОММЕНТАРИЯХ НЕЛЬЗЯ ИСПОЛЬЗОВТЬ ЗНАК РАВНО!!",
    " #",
    " #",
};

// Every key the template may write, whatever the record holds: a line of the read file with one
// of these keys is replaced by the template's own (or dropped with the value it no longer has).
constexpr std::array<std::string_view, 44> kTemplateKeys = {
    "CHECKSHAPKA1",
    "CHECKSHAPKA2",
    "CHECKSHAPKA3",
    "CHECKSHAPKA4",
    "SNO",
    "NumCheck",
    "AuthorName",
    "AuthorCaption",
    "AuthorINN",
    "Oplata",
    "BreakSumNAL",
    "BreakSumVISA",
    "Predmet",
    "Sposob",
    "DocumStr",
    "EmailOrTel",
    "ECheck",
    "HandMade",
    "CENA",
    "KOLVO",
    "SUMMA",
    "NAME",
    "Fiscal",
    "SUMMADOC",
    "Section",
    "INN",
    "ZN",
    "USER",
    "ADDRES",
    "WEBADDRES",
    "REGNUMKKT",
    "REGNUMFN",
    "PRN_WIDHT",
    "PRN_WIDHT_ITOG",
    "PRN_FONT",
    "PRN_SIZEFONT",
    "PRN_SIZEFONT_ITOG",
    "PRN_SIZEFONT_QR",
    "PRN_SPACE_LEFT_QR",
    "PRINT_PICTURE",
    "PRN_NAME",
    "ISPREVIEW",
    "PRN_HEX_CUT",
    "MESTORASCHETA",
};

bool IsTemplateKey(std::string_view key) {
    return std::any_of(kTemplateKeys.begin(), kTemplateKeys.end(),
                       [key](std::string_view known) { return SameNoCase(key, known); });
}

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
        // The reader takes a file with one line holding "Oplata=" only: the template's own.
        if (key != "Oplata" && param_keys::HoldsOplataKey(line)) {
            throw Failure("Значение параметра " + std::string(key) +
                          " не может содержать текст Oplata=: " + std::string(value));
        }
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
    void Money(std::string_view key, double value) {
        if (value != 0)
            Add(key, PlainDecimal(value));
    }
    void Plus(std::string_view key, bool flag) {
        if (flag)
            Add(key, "+");
    }

    std::vector<std::string>& Lines() { return lines_; }

  private:
    std::vector<std::string> lines_{kHeader.begin(), kHeader.end()};
};

// The file the template goes to: an existing link is followed, so the file it points to is
// replaced rather than the link. A folder or a read-only file is refused before anything is
// written (a rename would otherwise replace a file its owner protected from writing).
std::string TargetOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return path;  // a new file; a missing folder fails at the write with the system's text
    if (S_ISDIR(st.st_mode))
        throw Failure("Не удалось записать файл \"" + path + "\": это папка, а не файл");
    if (!S_ISREG(st.st_mode))
        throw Failure("Не удалось записать файл \"" + path + "\": это не обычный файл");
    if ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
        throw Failure("Не удалось записать файл \"" + path + "\": файл только для чтения");
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return path;
    return resolved;
}

}  // namespace

std::string PlainDecimal(double value) {
    const std::string general = FormatGeneral(value);
    if (general.find('E') == std::string::npos || !std::isfinite(value))
        return general;
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    char buf[512];
    const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                                   std::max(0, 14 - exponent))
                         .ptr;
    std::string text(buf, end);
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

namespace {

// A character the file cannot hold would be written as "?", and nobody would see it until a
// receipt printed it.
void RefuseWhatCp1251Lacks(const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        const auto missing = FirstWithoutCp1251(line);
        if (!missing)
            continue;
        const std::string key(LineKey(line).value_or(line));
        std::string character;
        AppendUtf8(character, *missing);
        throw Failure("Значение " + key + " содержит символ \"" + character + "\" (" +
                      CodePointName(*missing) + "), которого нет в кодировке Windows-1251");
    }
}

}  // namespace

std::vector<std::string> LinesBeyondTemplate(const std::vector<std::string>& readLines) {
    std::vector<std::string> kept;
    for (const auto& line : readLines) {
        if (param_keys::HoldsOplataKey(line))
            continue;
        if (const auto key = LineKey(line)) {
            if (IsTemplateKey(*key))
                continue;
        } else if (std::find(kHeader.begin(), kHeader.end(), line) != kHeader.end()) {
            continue;
        }
        kept.push_back(line);
    }
    return kept;
}

bool WriteParam(const std::string& path, const TParam& p,
                const std::vector<std::string>& readLines) {
    // Checked before anything touches the file, so a refused template never replaces one.
    if (!IsBlank(p.SNO) && !param_keys::SnoAccepted(p.SNO)) {
        throw Failure(std::string(param_keys::kSnoFailure));
    }
    const std::string target = TargetOf(path);
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
        e.Add("BreakSumNAL", PlainDecimal(p.BreakSumNAL));
        e.Add("BreakSumVISA", PlainDecimal(p.BreakSumVISA));
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
    e.Money("SUMMADOC", p.SUMMADOC);
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
    // The place of settlement (tag 1187) is edited with the cashier's data; without it here a
    // register would lose it on the first save.
    e.Text("MESTORASCHETA", p.MESTORASCHETA);
    std::vector<std::string>& lines = e.Lines();
    for (auto& line : LinesBeyondTemplate(readLines))
        lines.push_back(std::move(line));
    RefuseWhatCp1251Lacks(lines);
    SaveLinesAtomic(target, lines);
    return true;
}

}  // namespace orvenka
