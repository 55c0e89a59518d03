#pragma once
#include <map>
#include <memory>
#include <string>

#include "shell/app_context.h"
#include "shell/command_queue.h"

// The HTTP/JSON front door: a server on its own threads that hands each command to the command
// loop's queue and waits for its answer, never holding the loop up.
namespace orvenka {

// What GET /v1/status tells beside the loop's state.
struct DoorFacts {
    std::string kind;                            // the start-up kind: "ATOL", "SHTRIH", "EMUL"
    std::map<std::string, std::string> drivers;  // kind: "simulator" or the library's path
};

// The OpenAPI document of the door, as docs/openapi.json holds it.
const std::string& OpenApiDocument();

// Opens the door when the settings file asks for it (HttpListen=): on the loop's thread, after
// start-up. A setting that is wrong, an answers' journal that cannot be opened, or an address
// that cannot be bound: a line in the log, no server, and the files work on as ever. nullptr
// when there is no server.
std::unique_ptr<CommandDoor> OpenHttpDoor(AppContext& ctx, CommandQueue& queue, DoorFacts facts);

}  // namespace orvenka
