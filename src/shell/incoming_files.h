#pragma once
#include <string>

// The files the accounting system writes into the program folder (Param.ini, Tovar.ini,
// Dop.ini; cmd.ini is the command loop's) come from a system whose file names ignore letter
// case: PARAM.INI is Param.ini. The program's own files keep their documented names.
namespace orvenka {

// The path of `name` in `folder` (ending in "/") in whatever letter case it was written; the
// documented spelling when there is none. Two spellings at once (Param.ini and PARAM.INI) raise
// a Failure naming both: which of them is meant cannot be told, and a receipt printed from the
// wrong one is worse than none.
std::string IncomingFilePath(const std::string& folder, const std::string& name);

}  // namespace orvenka
