#pragma once
#include <string>

#include "backends/device_backend.h"
#include "backends/emul/document.h"
#include "backends/emul/emul_receipt.h"
#include "backends/emul/fiscal_sign.h"

namespace orvenka {

class AppContext;

// The printer emulator ('E'): receipts and shift reports laid out as text, previewed or printed
// on an ordinary printer, with emulated counters. There is no device: the service commands a
// register would carry out do nothing here.
class EmulBackend : public DeviceBackend {
  public:
    explicit EmulBackend(AppContext& ctx);

    char Kind() const override { return 'E'; }

    void BeginReceipt() override;
    void AddExtraLine(const std::string& caption, const std::string& value, bool emphasis) override;
    void AddGoodsLine(const TSale& line, const TTovar* goods) override;
    bool PrintReceipt(const std::string& command) override;
    bool PrintCorrection(const std::string& command) override;

    // Text-file printing only fills the document; the next receipt or report starts anew.
    void PrintLine(const std::string& text) override;
    void FeedAndCut() override;

    void LoadPicture(const std::string&) override {}
    void PrintQRCode(const std::string&) override {}
    void PrintCopyLastCheck() override {}
    void ShowProperties() override {}
    void CashIn(double) override {}
    void CashOut(double) override {}
    void OpenShift() override {}
    void ZReportEmul() override {}
    void XReportEmul() override {}
    void ZReport() override;
    void XReport() override;
    void DepartmentReport() override {}
    void OpenDrawer() override {}
    void PrintCopyLastCheckForNum(const std::string&) override {}
    void ShowUnsentFD() override {}
    void ShowTestLinkOFD() override {}
    void ShowSrokFN() override {}
    void ReleaseDriver() override {}

    const TextDocument& Document() const { return doc_.Document(); }
    const EmulReceipt& Receipt() const { return receipt_; }

  private:
    AppContext& ctx_;
    EmulDocument doc_;
    FiscalSignSource fiscalSign_;
    EmulReceipt receipt_;
};

}  // namespace orvenka
