#pragma once
#include <string>
#include <vector>

#include "receipt/records.h"

namespace orvenka {

// Writes `param` as a Param.ini template (header, then the keys that hold something, in fixed
// order, MESTORASCHETA last), replacing the file atomically. Raises Failure, and leaves the file
// as it was, on an invalid SNO, on a value holding a character Windows-1251 lacks (it would be
// written as "?"; the failure names the key and the character), when the path is a folder or a
// read-only file, or when the file cannot be written; answers true otherwise.
//
// `readLines` are the lines of the file the record was read from (empty for a new file). Every
// one of them the template does not write follows the template's keys, in the file's order:
// entries of the keys the template leaves alone (VERSION_FFD, the correction, agent and
// supplier keys, BreakSummN, CENA_AS_SUMMA ...), unknown keys and comments. So a file opened in
// the editor and saved again keeps what the editor does not show.
bool WriteParam(const std::string& path, const TParam& param,
                const std::vector<std::string>& readLines = {});

// The lines of `readLines` that WriteParam keeps after the template: not an entry of a key the
// template writes, not one of its header lines, and not holding "Oplata=" (the reader takes a
// file with one such line only, and the template always writes its own).
std::vector<std::string> LinesBeyondTemplate(const std::vector<std::string>& readLines);

// A sum as the template writes it and the reader's money rule reads it back: up to 15
// significant digits like the general form, but never with an exponent ("1E-7" would read as 0,
// and a split payment of 0 is refused).
std::string PlainDecimal(double value);

}  // namespace orvenka
