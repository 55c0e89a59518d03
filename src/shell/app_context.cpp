#include "shell/app_context.h"

#include "common/failure.h"
#include "common/files.h"

namespace orvenka {

AppContext::AppContext(std::string folder, std::string programFile, Platform& platform_,
                       Clock& clock_)
    : platform(platform_),
      clock(clock_),
      log(clock_, platform_, param, folder + ChangeExtension(programFile, "long.log")),
      folder_(std::move(folder)),
      programFile_(std::move(programFile)) {}

std::string AppContext::SettingsPath() const {
    return folder_ + ChangeExtension(programFile_, "ini");
}
std::string AppContext::RunLogPath() const {
    return folder_ + ChangeExtension(programFile_, "log");
}
std::string AppContext::LongLogPath() const {
    return folder_ + ChangeExtension(programFile_, "long.log");
}

void AppContext::SetBackend(std::unique_ptr<DeviceBackend> backend) {
    const DeviceKind kind = backend->Kind();
    backends_[kind] = std::move(backend);
}

void AppContext::ReleaseDrivers() {
    for (const DeviceKind kind : kDeviceKinds) {
        RunGuarded([this, kind] {
            if (DeviceBackend* backend = Backend(kind))
                backend->ReleaseDriver();
        });
    }
}

void AppContext::RunGuarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const Failure& f) {
        LogError(f.what());
    } catch (const std::exception& e) {
        try {
            LogError(std::string("Внутренняя ошибка программы: ") + e.what());
        } catch (...) {
        }
    } catch (...) {
        try {
            LogError("Внутренняя ошибка программы");
        } catch (...) {
        }
    }
}

DeviceBackend* AppContext::Backend(DeviceKind kind) const {
    auto it = backends_.find(kind);
    return it == backends_.end() ? nullptr : it->second.get();
}

}  // namespace orvenka
