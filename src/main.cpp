// The composition root: the program with its device back-ends and its HTTP door.
#include "backends/backends.h"
#include "common/device_kind.h"
#include "drivers/native/native_drivers.h"
#include "drivers/native/native_library.h"
#include "gui/application.h"
#include "http/http_door.h"

namespace {

// "simulator", or the library the setting leads to (AUTO resolved as the driver resolves it).
std::string DriverOf(const std::string& setting, const std::vector<std::string>& installed,
                     const char* fileName) {
    if (orvenka::native::IsSimulatorSetting(setting))
        return "simulator";
    return orvenka::native::DriverLibraryPath(setting, installed, fileName);
}

std::unique_ptr<orvenka::CommandDoor> OpenDoors(orvenka::AppContext& ctx,
                                                orvenka::CommandQueue& queue) {
    const auto settings = orvenka::native::ReadNativeDriverSettings(ctx.SettingsPath());
    orvenka::DoorFacts facts;
    facts.kind = orvenka::KindName(ctx.StartupKind);
    facts.drivers = {
        {"ATOL", DriverOf(settings.atolDriver, orvenka::native::kAtolInstalledLibraries,
                          orvenka::native::kAtolLibraryFile)},
        {"SHTRIH", DriverOf(settings.shtrihDriver, orvenka::native::kShtrihInstalledLibraries,
                            orvenka::native::kShtrihLibraryFile)}};
    return orvenka::OpenHttpDoor(ctx, queue, std::move(facts));
}

}  // namespace

int main(int argc, char** argv) {
    return orvenka::gui::RunApplication(
        argc, argv, [](orvenka::AppContext& ctx) { orvenka::InstallBackends(ctx); }, {}, OpenDoors);
}
