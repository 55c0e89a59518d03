#pragma once
#include <string>

#include "shell/device_backend.h"

namespace orvenka {

// Stands for a device kind whose support this build does not have yet: every operation
// refuses with a text that names the device and the operation, so a command for it is answered
// with a clear error line in Result.txt instead of doing nothing.
class UnsupportedBackend : public DeviceBackend {
  public:
    UnsupportedBackend(DeviceKind kind, std::string deviceName, bool correctionFromParam)
        : kind_(kind),
          deviceName_(std::move(deviceName)),
          correctionFromParam_(correctionFromParam) {}

    DeviceKind Kind() const override { return kind_; }
    std::string DeviceName() const override { return deviceName_; }
    bool CorrectionFromParam() const override { return correctionFromParam_; }
    bool MakesReceipts() const override { return false; }
    std::string DriverState() const override { return "не встроен в эту версию программы"; }

  protected:
    std::string RefusalText(const std::string& operation) const override;

  private:
    DeviceKind kind_;
    std::string deviceName_;
    bool correctionFromParam_;
};

}  // namespace orvenka
