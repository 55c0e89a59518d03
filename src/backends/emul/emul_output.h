#pragma once
#include "common/text_document.h"

namespace orvenka {

class AppContext;

// The end of every emulated receipt and report: with ISPREVIEW the modal preview (the operator
// prints from it), otherwise one print job at once. Without a screen nobody could close the
// preview, so the document is printed at once and the message log says why. A print that fails
// (the printer refuses the job, or there is none), at once or from the preview that is then
// closed, leaves as a Failure with its reason; the document's text is then kept in a file of
// the program folder (Unprinted_<date>_<time>.txt), named in the failure, so that it can be
// printed again. A preview closed without printing is no failure.
void ShowOrPrint(AppContext& ctx, const TextDocument& document);

}  // namespace orvenka
