// Param.ini reader on arbitrary bytes: must answer true or false, never crash or hang.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/null_platform.h"
#include "receipt/param_reader.h"

namespace {

class QuietLog : public orvenka::Logger {
  public:
    void LogMessage(const std::string&) override {}
    void LogError(const std::string&) override {}
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
    orvenka::NullPlatform platform;
    orvenka::TParam param;
    orvenka::ReadParam(path, param, log, platform);
    return 0;
}
