#include "drivers/native/native_drivers.h"

#include <memory>

#include "common/failure.h"
#include "common/files.h"
#include "common/input_limits.h"
#include "common/key_values.h"
#include "common/text.h"
#include "drivers/native/fptr10_native.h"
#include "drivers/native/native_library.h"
#include "drivers/native/shtrih_native.h"

namespace orvenka::native {

// The install locations are those of the vendors' Linux packages as known today; AUTO falls
// back to the loader's own search path when none exists.
const std::vector<std::string> kShtrihInstalledLibraries = {
    "/opt/shtrih-m/fr_drv_ng/lib/libclassic_fr_drv_ng.so",
    "/usr/local/lib/libclassic_fr_drv_ng.so",
    "/usr/lib/libclassic_fr_drv_ng.so",
};
const std::vector<std::string> kAtolInstalledLibraries = {
    "/opt/ATOL/drivers10/KKT/bin/libfptr10.so",
    "/usr/lib/x86_64-linux-gnu/libfptr10.so",
    "/usr/local/lib/libfptr10.so",
    "/usr/lib/libfptr10.so",
};

NativeDriverSettings ReadNativeDriverSettings(const std::string& iniPath) {
    NativeDriverSettings s;
    try {
        if (!FileExists(iniPath))
            return s;
        const KeyValueLines lines(LoadLines(iniPath, kMaxSmallFileBytes));
        s.shtrihDriver = TrimText(lines.Value(kShtrihDriverKey).value_or(""));
        s.shtrihConnection = TrimText(lines.Value(kShtrihConnectionKey).value_or(""));
        s.atolDriver = TrimText(lines.Value(kAtolDriverKey).value_or(""));
    } catch (const Failure&) {
        // An unreadable settings file is reported when the program reads it; it names nothing.
    }
    return s;
}

namespace {

// The library of one kind, loaded on first use and kept while the program runs: a handle per
// command is cheap, a dlopen per command is not, and a library that failed is tried again on
// the next command, so installing the driver needs no restart.
class LazyLibrary {
  public:
    LazyLibrary(std::string driver, std::string path)
        : driver_(std::move(driver)), path_(std::move(path)) {}
    std::shared_ptr<const NativeLibrary> Get() {
        if (!library_)
            library_ = std::make_shared<const NativeLibrary>(driver_, path_);
        return library_;
    }

  private:
    std::string driver_;
    std::string path_;
    std::shared_ptr<const NativeLibrary> library_;
};

}  // namespace

void RegisterNativeDrivers(DriverFactory& factory, const NativeDriverSettings& settings) {
    if (!IsSimulatorSetting(settings.shtrihDriver)) {
        auto library = std::make_shared<LazyLibrary>(
            "Штрих-М", DriverLibraryPath(settings.shtrihDriver, kShtrihInstalledLibraries,
                                         kShtrihLibraryFile));
        const std::string uri = settings.shtrihConnection;
        factory.Register("AddIn.DrvFR", [library, uri](const DriverEnvironment&) {
            return std::make_unique<ShtrihNative>(library->Get(), uri);
        });
    }
    if (!IsSimulatorSetting(settings.atolDriver)) {
        auto library = std::make_shared<LazyLibrary>(
            "АТОЛ",
            DriverLibraryPath(settings.atolDriver, kAtolInstalledLibraries, kAtolLibraryFile));
        factory.Register("AddIn.Fptr10", [library](const DriverEnvironment&) {
            return std::make_unique<Fptr10Native>(library->Get());
        });
    }
}

}  // namespace orvenka::native
