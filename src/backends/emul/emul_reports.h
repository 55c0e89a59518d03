#pragma once
#include "backends/emul/document.h"
#include "backends/shared/fiscal_sign.h"
#include "common/device_kind.h"

namespace orvenka {

class AppContext;

// Lays out the X report (closing false) or the Z report (closing true) from the context's
// counters as they stand. Raises Failure when the paper widths are not set.
void EmulReport(AppContext& ctx, EmulDocument& doc, FiscalSignSource& fiscalSign, bool closing);

// XOTCHET and ZOTCHET on the emulator. The Z report closes the shift and saves the counters
// before the report is shown or printed. A failure goes to the error log with its own text and
// answers false.
bool EmulXReport(AppContext& ctx, EmulDocument& doc, FiscalSignSource& fiscalSign,
                 DeviceKind kind = DeviceKind::Emul);
bool EmulZReport(AppContext& ctx, EmulDocument& doc, FiscalSignSource& fiscalSign,
                 DeviceKind kind = DeviceKind::Emul);

}  // namespace orvenka
