#pragma once
#include <string>
#include <vector>

#include "shell/app_context.h"
#include "shell/check_list.h"

namespace orvenka {

// The receipt commands (PRINT, PRINTS, PRINT_BUY, RETURN, RETURNS, RETURN_BUY, CORRECT_PRIH,
// CORRECT_RASH): reads Param.ini, Dop.ini and Tovar.ini, guards against printing a document
// twice, and hands the receipt to the back-end of ctx.device.Kind. True when the back-end made
// the receipt. Back-end failures pass to the caller.
//
// The document is listed in CheckList.txt before the back-end sees the receipt, so that a crash
// at any instant leaves it listed and a resend is asked about, never printed silently. A failure
// the back-end raises takes a new entry out again (the receipt was not made); a receipt the
// back-end answers as not made stays listed. A register that cannot be read or written refuses
// the receipt: without its entry a resend would print it a second time.
bool RunReceiptJob(AppContext& ctx, const std::string& command);

// Reads Param.ini of the program folder (in any letter case) into ctx.param; false, after an
// error line, when it cannot be read or checked.
bool ReadParamIni(AppContext& ctx);

// --- CheckList.txt: the identifiers of the documents printed (shell/check_list.h) ----------

// True when the print must not go ahead: the identifier is listed (ignoring case) and the
// operator does not want it printed again. Without a screen nobody can confirm a repeat, so it
// is not printed and the error log says why.
bool IsAlreadyPrinted(AppContext& ctx, const std::string& documentId);

// Adds the identifier to CheckList.txt (replaced atomically). A register that cannot be read is
// left as it is rather than replaced by a shorter one; the error log says why.
void AddToCheckList(AppContext& ctx, const std::string& documentId);

}  // namespace orvenka
