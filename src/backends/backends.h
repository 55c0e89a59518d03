#pragma once
#include "shell/app_context.h"

namespace orvenka {

// Installs the back-end of every device kind into the context: the emulator, and for the
// register kinds whatever this build supports.
void InstallBackends(AppContext& ctx);

}  // namespace orvenka
