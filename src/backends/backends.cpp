#include "backends/backends.h"

#include <memory>

#include "backends/emul/emul_backend.h"
#include "backends/unsupported/unsupported_backend.h"

namespace orvenka {

void InstallBackends(AppContext& ctx) {
    ctx.SetBackend(std::make_unique<UnsupportedBackend>(DeviceKind::Atol, "АТОЛ", false));
    ctx.SetBackend(std::make_unique<UnsupportedBackend>(DeviceKind::Shtrih, "Штрих-М", true));
    ctx.SetBackend(std::make_unique<EmulBackend>(ctx));
}

}  // namespace orvenka
