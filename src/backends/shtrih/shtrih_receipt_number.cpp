#include <functional>
#include <string>

#include "backends/shtrih/shtrih_backend.h"
#include "backends/shtrih/shtrih_driver.h"
#include "common/failure.h"
#include "common/files.h"
#include "shell/app_context.h"

// The number of the document the register made, and the steps after it that never fail it.
namespace orvenka {

using shtrih::Check;
using shtrih::kAdmin;

void ShtrihBackend::WriteNumberFile(int number) {
    SaveLinesAtomic(ctx_.ExchangePath("ResultNumCheck.txt"), {std::to_string(number)});
}

std::optional<int64_t> ShtrihBackend::LastFiscalDocument() {
    FR_Prepare();
    try {
        return FnDocumentNumber();
    } catch (const Failure& f) {
        // Not known: the receipt goes ahead as listed, and a resend after a crash is asked about.
        ctx_.LogMessage("Штрих: номер последнего документа не получен: " + std::string(f.what()));
        return std::nullopt;
    }
}

int ShtrihBackend::FnDocumentNumber() {
    AutomationObject& fr = Fr();
    Password(kAdmin);
    Check(fr, Call("FNGetStatus"));
    return static_cast<int>(fr.GetInt("DocumentNumber"));
}

// The number of the receipt just made: none (0) for format 1.0 and below, the emulated
// counter for the non-fiscal imitation, the fiscal storage's last document otherwise.
int ShtrihBackend::ReceiptNumber() {
    const TParam& p = ctx_.param;
    if (p.VERSION_FFD <= 1)
        return 0;
    return p.isNotFiscal ? ctx_.emul.NUM_CHECKINSMENA : FnDocumentNumber();
}

// The document is made: nothing from here on may fail it, or a retry would make it twice.
void ShtrihBackend::SaveNumberAndLog(const std::function<int()>& number) {
    int saved = 0;
    try {
        saved = number();
    } catch (const std::exception& e) {
        ctx_.LogMessage("Штрих: документ напечатан, но его номер не получен (" +
                        std::string(e.what()) + "); в ResultNumCheck.txt записан 0");
    }
    for (const auto& step :
         {std::function<void()>([&] { WriteNumberFile(saved); }),
          std::function<void()>([&] { ctx_.log.WriteLongLog("OK", std::to_string(saved)); })}) {
        try {
            step();
        } catch (const std::exception& e) {
            ctx_.LogMessage("Штрих: документ напечатан: " + std::string(e.what()));
        }
    }
}

}  // namespace orvenka
