// Placeholder until the command loop lands.
#include "shell/command_loop.h"
namespace orvenka {
CommandLoop::CommandLoop(AppContext& ctx) : ctx_(ctx) {}
bool CommandLoop::Tick() { return false; }
}  // namespace orvenka
