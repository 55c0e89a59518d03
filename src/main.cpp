// The composition root: the program with its device back-ends and its HTTP door.
#include "backends/backends.h"
#include "common/device_kind.h"
#include "common/text.h"
#include "drivers/native/native_drivers.h"
#include "gui/application.h"
#include "http/http_door.h"

namespace {

// "simulator", or the library the settings name.
std::string DriverOf(const std::string& setting) {
    const std::string value = orvenka::TrimText(setting);
    return value.empty() || orvenka::SameNoCase(value, "SIM") ? "simulator" : value;
}

std::unique_ptr<orvenka::CommandDoor> OpenDoors(orvenka::AppContext& ctx,
                                                orvenka::CommandQueue& queue) {
    const auto settings = orvenka::native::ReadNativeDriverSettings(ctx.SettingsPath());
    orvenka::DoorFacts facts;
    facts.kind = orvenka::KindName(ctx.StartupKind);
    facts.drivers = {{"ATOL", DriverOf(settings.atolDriver)},
                     {"SHTRIH", DriverOf(settings.shtrihDriver)}};
    return orvenka::OpenHttpDoor(ctx, queue, std::move(facts));
}

}  // namespace

int main(int argc, char** argv) {
    return orvenka::gui::RunApplication(
        argc, argv, [](orvenka::AppContext& ctx) { orvenka::InstallBackends(ctx); }, {}, OpenDoors);
}
