#pragma once
#include <memory>

#include "drivers/driver_factory.h"
#include "shell/app_context.h"

namespace orvenka {

// The drivers of this platform for the context: the simulated registers, working in the
// context's folder and logging to its event log.
std::shared_ptr<DriverFactory> DefaultDrivers(AppContext& ctx);

// Installs the back-end of every device kind into the context; the register back-ends create
// their driver objects with `drivers` (tests pass a factory that records the traffic).
void InstallBackends(AppContext& ctx, std::shared_ptr<DriverFactory> drivers);
inline void InstallBackends(AppContext& ctx) {
    InstallBackends(ctx, DefaultDrivers(ctx));
}

}  // namespace orvenka
