// Param.ini reader on arbitrary bytes: must answer true or false, never crash or hang.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/platform.h"
#include "receipt/param_reader.h"

namespace {

class QuietLog : public orvenka::Logger {
  public:
    void LogMessage(const std::string&) override {}
    void LogError(const std::string&) override {}
};

class NoPlatform : public orvenka::Platform {
  public:
    bool HasScreen() const override { return false; }
    Answer AskYesNo(const std::string&) override { return Answer::NoScreen; }
    void ShowMessage(const std::string&) override {}
    void ShowBalloon(const std::string&, const std::string&) override {}
    char SelectDeviceKind(char) override { return 0; }
    int SelectLogicalDevice(const std::vector<std::string>&) override { return -1; }
    void ShowPreview(const orvenka::TextDocument&) override {}
    void PrintDocument(const orvenka::TextDocument&) override {}
    std::vector<std::string> Printers() override { return {"Office", "Receipts"}; }
    std::string CurrentPrinter() override { return "Office"; }
    void SelectPrinter(const std::string&) override {}
    void PrinterSetupDialog() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path =
        "/tmp/orvenka-fuzz-param-" + std::to_string(::getpid()) + ".ini";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    QuietLog log;
    NoPlatform platform;
    orvenka::TParam param;
    orvenka::ReadParam(path, param, log, platform);
    return 0;
}
