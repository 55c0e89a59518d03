#pragma once
#include <string>
#include <vector>

#include "common/platform.h"

namespace orvenka {

// A platform without a screen or printers that does nothing and records nothing: for the
// client's dry run, fuzzing and benchmarks.
class NullPlatform : public Platform {
  public:
    bool HasScreen() const override { return false; }
    Answer AskYesNo(const std::string&) override { return Answer::NoScreen; }
    void ShowMessage(const std::string&) override {}
    void ShowBalloon(const std::string&, const std::string&) override {}
    DeviceKind SelectDeviceKind(DeviceKind) override { return DeviceKind::None; }
    int SelectLogicalDevice(const std::vector<std::string>&) override { return -1; }
    void ShowPreview(const TextDocument&) override {}
    void PrintDocument(const TextDocument&) override {}
    std::vector<std::string> Printers() override { return {}; }
    std::string CurrentPrinter() override { return {}; }
    void SelectPrinter(const std::string&) override {}
    void PrinterSetupDialog() override {}
};

}  // namespace orvenka
