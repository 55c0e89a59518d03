#pragma once
#include <string>
#include <vector>

#include "shell/app_context.h"

namespace orvenka {

// The receipt commands (PRINT, PRINTS, PRINT_BUY, RETURN, RETURNS, RETURN_BUY, CORRECT_PRIH,
// CORRECT_RASH): reads Param.ini, Dop.ini and Tovar.ini, guards against printing a document
// twice, and hands the receipt to the back-end of ctx.device.Kind. True when the back-end made
// the receipt. Back-end failures pass to the caller.
bool RunReceiptJob(AppContext& ctx, const std::string& command);

// Reads Param.ini of the program folder (in any letter case) into ctx.param; false, after an
// error line, when it cannot be read or checked.
bool ReadParamIni(AppContext& ctx);

// --- CheckList.txt: the identifiers of the documents printed, sorted, without duplicates ----

// Sorts ignoring case (Latin and Cyrillic) and drops later duplicates.
std::vector<std::string> SortedRegister(std::vector<std::string> lines);

// True when the print must not go ahead: the identifier is listed (ignoring case) and the
// operator does not want it printed again. Without a screen nobody can confirm a repeat, so it
// is not printed and the error log says why.
bool IsAlreadyPrinted(AppContext& ctx, const std::string& documentId);

// Adds the identifier to CheckList.txt (replaced atomically). A register that cannot be read is
// left as it is rather than replaced by a shorter one.
void AddToCheckList(AppContext& ctx, const std::string& documentId);

}  // namespace orvenka
