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
// the next command, so installing the driver needs no restart (AUTO looks again each time).
class LazyLibrary {
  public:
    LazyLibrary(std::string driver, std::string setting, const std::vector<std::string>& installed,
                const char* fileName, const char* versionSymbol)
        : driver_(std::move(driver)),
          setting_(std::move(setting)),
          installed_(installed),
          fileName_(fileName),
          versionSymbol_(versionSymbol) {}
    std::shared_ptr<const NativeLibrary> Get() {
        if (!library_)
            library_ = std::make_shared<const NativeLibrary>(driver_, Path());
        return library_;
    }
    std::string Path() const {
        return library_ ? library_->Path() : DriverLibraryPath(setting_, installed_, fileName_);
    }
    // "библиотека производителя PATH, версия V" (the version where the driver reports one),
    // or why the library does not load.
    std::string Describe() {
        std::string text = "библиотека производителя " + Path();
        try {
            const auto library = Get();
            using Version = const char* (*)();
            const auto version =
                versionSymbol_ ? reinterpret_cast<Version>(library->Find(versionSymbol_)) : nullptr;
            const char* v = version ? version() : nullptr;
            if (v && *v)
                text += std::string(", версия ") + v;
        } catch (const Failure& f) {
            text += " не загружается: " + std::string(f.what());
        }
        return text;
    }

  private:
    std::string driver_;
    std::string setting_;
    const std::vector<std::string>& installed_;
    const char* fileName_;
    const char* versionSymbol_;
    std::shared_ptr<const NativeLibrary> library_;
};

// The first line a command's driver writes, as the simulator writes its own: which library
// carries the command out.
void LogCreated(const DriverEnvironment& env, const char* progId, const char* device,
                LazyLibrary& library) {
    env.log.LogMessage(std::string(progId) + ": " + device + " — " + library.Describe());
}

}  // namespace

void RegisterNativeDrivers(DriverFactory& factory, const NativeDriverSettings& settings) {
    if (!IsSimulatorSetting(settings.shtrihDriver)) {
        // The classic interface reports no version of its own.
        auto library =
            std::make_shared<LazyLibrary>("Штрих-М", settings.shtrihDriver,
                                          kShtrihInstalledLibraries, kShtrihLibraryFile, nullptr);
        const std::string uri = settings.shtrihConnection;
        factory.Register(
            "AddIn.DrvFR",
            [library, uri](const DriverEnvironment& env) {
                auto object = std::make_unique<ShtrihNative>(library->Get(), uri);
                LogCreated(env, "AddIn.DrvFR", "ККМ Штрих-М", *library);
                return object;
            },
            [library] { return library->Describe(); });
    }
    if (!IsSimulatorSetting(settings.atolDriver)) {
        auto library =
            std::make_shared<LazyLibrary>("АТОЛ", settings.atolDriver, kAtolInstalledLibraries,
                                          kAtolLibraryFile, "libfptr_get_version_string");
        factory.Register(
            "AddIn.Fptr10",
            [library](const DriverEnvironment& env) {
                auto object = std::make_unique<Fptr10Native>(library->Get());
                LogCreated(env, "AddIn.Fptr10", "ККМ АТОЛ", *library);
                return object;
            },
            [library] { return library->Describe(); });
    }
}

}  // namespace orvenka::native
