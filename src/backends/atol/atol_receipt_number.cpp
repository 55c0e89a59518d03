#include "backends/atol/atol_backend.h"
#include "common/failure.h"
#include "common/files.h"
#include "shell/app_context.h"

// The number of the receipt the register made, and the steps after it that never fail it.
namespace orvenka {

int AtolBackend::LastReceiptNumber(const std::string& failurePrefix) {
    driver_.SetParam("LIBFPTR_PARAM_FN_DATA_TYPE", driver_.Constant("LIBFPTR_FNDT_LAST_RECEIPT"));
    driver_.Check(driver_.Run("fnQueryData"), failurePrefix);
    return static_cast<int>(driver_.ParamInt("LIBFPTR_PARAM_DOCUMENT_NUMBER"));
}

std::optional<int64_t> AtolBackend::LastFiscalDocument() {
    Connect();
    try {
        return LastReceiptNumber("АТОЛ: номер последнего чека не получен: ");
    } catch (const Failure& f) {
        // Not known: the receipt goes ahead as listed, and a resend after a crash is asked about.
        ctx_.LogMessage(f.what());
        return std::nullopt;
    }
}

int AtolBackend::Atol_SaveNumCheckToFile() {
    const int number = ctx_.param.isNotFiscal
                           ? ctx_.emul.NUM_CHECKINSMENA
                           : LastReceiptNumber("Atol_SaveNumCheckToFile ErrorDescription:");
    SaveLinesAtomic(ctx_.ExchangePath("ResultNumCheck.txt"), {std::to_string(number)});
    return number;
}

void AtolBackend::FinishReceipt() {
    // The register has made the receipt: nothing after this point may report it as failed, or
    // the accounting system would charge the customer again.
    int number = 0;
    try {
        number = Atol_SaveNumCheckToFile();
    } catch (const Failure& f) {
        ctx_.LogMessage(std::string("Чек напечатан, но его номер не получен: ") + f.what() +
                        ". В ResultNumCheck.txt записан 0");
        try {
            SaveLinesAtomic(ctx_.ExchangePath("ResultNumCheck.txt"), {"0"});
        } catch (const Failure& g) {
            ctx_.LogMessage(g.what());
        }
    }
    try {
        ctx_.log.WriteLongLog("OK", std::to_string(number));
    } catch (const Failure& f) {
        ctx_.LogMessage(f.what());
    }
    if (!ctx_.KeepAtolDriver)
        driver_.Run("close");
}

}  // namespace orvenka
