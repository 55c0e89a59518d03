#pragma once
#include <string>

#include "backends/emul/document.h"
#include "backends/emul/emul_receipt.h"
#include "backends/shared/fiscal_sign.h"
#include "shell/device_backend.h"

namespace orvenka {

class AppContext;

// The printer emulator: receipts and shift reports laid out as text, previewed or printed on an
// ordinary printer, with emulated counters. There is no device behind it: the register's
// service commands do nothing here and answer at once, and its only device button opens the
// printer's setup dialog.
class EmulBackend : public DeviceBackend {
  public:
    explicit EmulBackend(AppContext& ctx);

    DeviceKind Kind() const override { return DeviceKind::Emul; }
    std::string DeviceName() const override { return "эмулятор принтера"; }

    void BeginReceipt() override;
    void AddExtraLine(const std::string& caption, const std::string& value, bool emphasis) override;
    void AddGoodsLine(const TSale& line, const TTovar& goods) override;
    bool PrintReceipt(const std::string& command) override;

    // Text-file printing only fills the document; the next receipt or report starts anew.
    void PrintLine(const std::string& text) override;
    void FeedAndCut() override;

    void ZReport() override;
    void XReport() override;

    // Commands that do nothing on the emulator and answer at once: there is no drawer, no
    // fiscal memory to copy from, no shift to open, no cash to count, no picture or QR code
    // store and no driver settings. The emulated reports of the registers are the emulator's
    // own ZOTCHET and XOTCHET.
    void LoadPicture(const std::string&) override {}
    void PrintQRCode(const std::string&) override {}
    void PrintCopyLastCheck() override {}
    void ShowProperties() override {}
    void CashIn(double) override {}
    void CashOut(double) override {}
    void OpenShift() override {}
    void ZReportEmul() override {}
    void XReportEmul() override {}
    void DepartmentReport() override {}
    void OpenDrawer() override {}

    // "Открыть свойства ФР" opens the printer setup; every other button does nothing.
    bool PrepareServiceButton(ServiceButton button) override;

    const TextDocument& Document() const { return doc_.Document(); }
    const EmulReceipt& Receipt() const { return receipt_; }

  private:
    AppContext& ctx_;
    EmulDocument doc_;
    FiscalSignSource fiscalSign_;
    EmulReceipt receipt_;
};

}  // namespace orvenka
