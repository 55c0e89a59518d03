#pragma once
#include <functional>
#include <memory>

#include "shell/command_queue.h"

namespace orvenka {
class AppContext;
}

namespace orvenka::gui {

class TForm_mainFR;

// The whole program on the desktop Qt offers: single instance, start-up, the window and its
// notification-area icon, the poll of the folder, and the exit steps once "Выход" or a stop
// signal (SIGTERM, SIGINT) ends it. `installBackends` gives the context its device back-ends
// (the composition root names them); `started`, when given, runs on the event loop once the
// program polls its folder (a test's scripted operator); `openDoors`, when given, opens the ways
// into the command loop beside the files once the program has started, and they are closed
// before its exit steps. Answers the process's exit code.
using OpenDoors = std::function<std::unique_ptr<CommandDoor>(AppContext&, CommandQueue&)>;
int RunApplication(int argc, char** argv, const std::function<void(AppContext&)>& installBackends,
                   const std::function<void(TForm_mainFR&)>& started = {},
                   const OpenDoors& openDoors = {});

// Ends the event loop, every nested (modal) loop with it, so that RunApplication's exit steps
// run. Unlike QCoreApplication::quit it asks no window first: the main window answers a close
// with "Закрыть окно", and a quit that waits for every window to close could be refused.
void EndProgram();

}  // namespace orvenka::gui
