#pragma once
#include "drivers/driver_factory.h"

namespace orvenka {

// Registers the simulated registers under the ProgIDs of the vendor drivers they stand for.
void RegisterSimulators(DriverFactory& factory);

}  // namespace orvenka
