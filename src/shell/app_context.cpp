#include "shell/app_context.h"

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

void AppContext::SetBackend(char kind, std::unique_ptr<DeviceBackend> backend) {
    backends_[kind] = std::move(backend);
}

DeviceBackend* AppContext::Backend(char kind) const {
    auto it = backends_.find(kind);
    return it == backends_.end() ? nullptr : it->second.get();
}

}  // namespace orvenka
