#include "drivers/sim/simulators.h"

#include "drivers/sim/fptr10_sim.h"
#include "drivers/sim/shtrih_sim.h"

namespace orvenka {

void RegisterSimulators(DriverFactory& factory) {
    factory.Register(SimulatedFptr10::kProgId, [](const DriverEnvironment& env) {
        return std::make_unique<SimulatedFptr10>(env);
    });
    RegisterShtrihSimulator(factory);
}

}  // namespace orvenka
