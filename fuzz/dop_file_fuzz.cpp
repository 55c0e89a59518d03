// Dop.ini on arbitrary bytes, through the receipt job onto the emulator's layout: a receipt or a
// clear refusal, never a crash or a hang.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "backends/backends.h"
#include "common/clock.h"
#include "shell/app_context.h"
#include "shell/receipt_job.h"
#include "support/null_platform.h"

namespace {

void Write(const std::string& path, const std::string& bytes) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        const std::string f = "/tmp/orvenka-fuzz-dop-" + std::to_string(::getpid()) + "/";
        std::filesystem::create_directories(f);
        return f;
    }();
    static orvenka::test::NullPlatform platform;
    static orvenka::FixedClock clock(45000.5);
    static orvenka::AppContext ctx = [] {
        return orvenka::AppContext(folder, "orvenka", platform, clock);
    }();
    static const bool installed = [] {
        orvenka::InstallBackends(ctx);
        ctx.device.Kind = orvenka::DeviceKind::Emul;
        return true;
    }();
    (void)installed;
    Write(folder + "Param.ini", "Oplata=\r\nPRN_WIDHT=32\r\nPRN_WIDHT_ITOG=20\r\n");
    Write(folder + "Tovar.ini", "Хлеб\r\n1\r\n10\r\n0\r\n");
    Write(folder + "Dop.ini", std::string(reinterpret_cast<const char*>(data), size));
    orvenka::RunReceiptJob(ctx, "PRINT");
    ctx.log.ClearErrors();
    return 0;
}
