#include "backends/backends.h"

#include <memory>

#include "backends/atol/atol_backend.h"
#include "backends/emul/emul_backend.h"
#include "backends/shtrih/shtrih_backend.h"
#include "drivers/native/native_drivers.h"
#include "drivers/sim/simulators.h"

namespace orvenka {

std::shared_ptr<DriverFactory> DefaultDrivers(AppContext& ctx) {
    auto drivers =
        std::make_shared<DriverFactory>(DriverEnvironment{ctx.Folder(), ctx.log, ctx.clock});
    RegisterSimulators(*drivers);
    native::RegisterNativeDrivers(*drivers, native::ReadNativeDriverSettings(ctx.SettingsPath()));
    return drivers;
}

void InstallBackends(AppContext& ctx, std::shared_ptr<DriverFactory> drivers) {
    ctx.SetBackend(std::make_unique<AtolBackend>(ctx, drivers));
    ctx.SetBackend(std::make_unique<ShtrihBackend>(ctx, drivers));
    ctx.SetBackend(std::make_unique<EmulBackend>(ctx));
}

}  // namespace orvenka
