#pragma once
#include <string>

#include "backends/device_backend.h"

namespace orvenka {

// Stands for a device kind whose support this build does not have yet: every operation
// raises a Failure that names the device and the operation, so a command for it is answered
// with a clear error line in Result.txt instead of doing nothing.
class UnsupportedBackend : public DeviceBackend {
  public:
    UnsupportedBackend(char kind, std::string deviceName);

    char Kind() const override { return kind_; }
    void BeginReceipt() override;
    void AddExtraLine(const std::string&, const std::string&, bool) override;
    void AddGoodsLine(const TSale&, const TTovar*) override;
    bool PrintReceipt(const std::string& command) override;
    bool PrintCorrection(const std::string& command) override;
    void PrintLine(const std::string&) override;
    void FeedAndCut() override;
    void LoadPicture(const std::string&) override;
    void PrintQRCode(const std::string&) override;
    void PrintCopyLastCheck() override;
    void ShowProperties() override;
    void CashIn(double) override;
    void CashOut(double) override;
    void OpenShift() override;
    void ZReportEmul() override;
    void XReportEmul() override;
    void ZReport() override;
    void XReport() override;
    void DepartmentReport() override;
    void OpenDrawer() override;
    void PrintCopyLastCheckForNum(const std::string&) override;
    void ShowUnsentFD() override;
    void ShowTestLinkOFD() override;
    void ShowSrokFN() override;
    void ReleaseDriver() override {}

    // The failure text for an operation.
    std::string Message(const std::string& operation) const;

  private:
    [[noreturn]] void Refuse(const std::string& operation) const;
    char kind_;
    std::string deviceName_;
};

}  // namespace orvenka
