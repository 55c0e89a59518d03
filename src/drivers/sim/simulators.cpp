#include "drivers/sim/simulators.h"

#include "drivers/sim/shtrih_sim.h"

namespace orvenka {

void RegisterSimulators(DriverFactory& factory) {
    RegisterShtrihSimulator(factory);
}

}  // namespace orvenka
