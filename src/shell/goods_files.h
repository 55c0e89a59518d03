#pragma once
#include <string>
#include <vector>

#include "common/logger.h"
#include "receipt/records.h"
#include "shell/app_context.h"

// The goods list Tovar.ini and the extra print lines Dop.ini the accounting system writes for a
// receipt. The line readers are total: any input gives records or a Failure with a clear text.
namespace orvenka {

// --- Tovar.ini: four lines per goods line (name or composite line, quantity, price, VAT) ----

// Goods lines up to the first blank name line or the end. Raises Failure ("ReadTovar.ini: ...")
// for an incomplete group, a quantity or price that is not a number, a bad composite line, or
// more than kMaxGoods lines.
std::vector<TTovar> ParseTovarLines(const std::vector<std::string>& lines);

// Fills the composite fields from a name line "##f1##f2##...##": by position, the fourth
// replacing the name; fields after the twelfth are ignored. Raises Failure when the line does
// not begin with "##", when its last field is not closed by "##", or when a number field is not
// a number.
void ParseCompositeLine(TTovar& goods);

// Tovar.ini of `folder` (in any letter case) as goods lines; the file is left as it is. Raises
// Failure ("ReadTovar.ini: ...") when it is missing, unreadable or broken. `log`, when given,
// hears when the file was read as UTF-8.
std::vector<TTovar> LoadTovarIni(const std::string& folder, Logger* log = nullptr);
// Moves Tovar.ini (in any letter case) to Tovar.oldini after deleting an older one. Failures go
// to the error log. Two spellings of Tovar.ini at once are both left where they are.
void MoveTovarIni(AppContext& ctx);
// Reads Tovar.ini of the program folder, sets SummaTovar, and moves the file to Tovar.oldini
// (after deleting an older one) in every case. A failure goes to the error log and gives an
// empty list, so the receipt is refused.
std::vector<TTovar> ReadTovarIni(AppContext& ctx);

// --- Dop.ini: three lines per extra line (caption, value, "+" for emphasis) ----------------

// Complete entries only; an incomplete last entry is dropped.
std::vector<TDop> ParseDopLines(const std::vector<std::string>& lines);
// Dop.ini of `folder` (in any letter case); a missing or unreadable file gives no lines. Never
// moves the file. Raises Failure for two spellings at once and for a file beyond
// kMaxExtraFileBytes: printing the receipt with lines nobody chose, or without the extra lines
// the accounting system meant, would be wrong, and an error line with a receipt printed after
// all would make it send the receipt again.
std::vector<TDop> LoadDopIni(const std::string& folder, Logger* log = nullptr);
std::vector<TDop> ReadDopIni(AppContext& ctx);

}  // namespace orvenka
