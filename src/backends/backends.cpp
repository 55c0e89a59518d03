#include "backends/backends.h"

#include "backends/emul/emul_backend.h"
#include "backends/unsupported/unsupported_backend.h"

namespace orvenka {

void InstallBackends(AppContext& ctx) {
    ctx.SetBackend('A', std::make_unique<UnsupportedBackend>('A', "АТОЛ"));
    ctx.SetBackend('S', std::make_unique<UnsupportedBackend>('S', "Штрих-М"));
    ctx.SetBackend('E', std::make_unique<EmulBackend>(ctx));
}

}  // namespace orvenka
