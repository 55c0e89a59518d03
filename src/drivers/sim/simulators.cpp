#include "drivers/sim/simulators.h"

namespace orvenka {

void RegisterSimulators(DriverFactory&) {}

}  // namespace orvenka
