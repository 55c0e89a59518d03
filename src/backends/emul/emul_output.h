#pragma once
#include "common/text_document.h"

namespace orvenka {

class AppContext;

// The end of every emulated receipt and report: with ISPREVIEW the modal preview (the operator
// prints from it), otherwise one print job at once. Without a screen nobody could close the
// preview, so the document is printed at once and the message log says why. Printing failures
// leave as Failure.
void ShowOrPrint(AppContext& ctx, const TextDocument& document);

}  // namespace orvenka
