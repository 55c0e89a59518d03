#pragma once
#include <string>
#include <vector>

#include "common/clock.h"
#include "shell/app_context.h"

namespace orvenka {

extern const char* const kCaption;             // window caption, logged first
extern const char* const kStartupKindMessage;  // shown when the argument is missing or wrong

// Program start: writes RunInfo.txt in `folder` with the outcome and answers true when this is
// the only copy (`otherPid` is what FindOtherInstance found, 0 for none).
bool CheckSingleInstance(const std::string& folder, int otherPid, Clock& clock);

// The kind of the first argument (upper-cased, exact compare), None otherwise.
DeviceKind StartupKindFromArgument(const std::vector<std::string>& arguments);

// Reads X.ini, or creates it with its default line.
void ReadProgramIni(AppContext& ctx);

// Removes the temporary files of atomic writes that a killed run (of the program or of the
// client) left in the program folder, with a message line for each.
void RemoveLeftovers(AppContext& ctx);

// Main-window creation up to the device kind: log lines, working-file paths, settings file,
// the kind. Answers false (after showing and logging the message) when the program must end.
// `commandLine` is the program path followed by the arguments.
bool FormCreate(AppContext& ctx, const std::vector<std::string>& commandLine);
// Last step of the creation, once the tray icon and the timer are up.
void StartPolling(AppContext& ctx);

// Exit: the run log X.log (message pane, then error pane) replaces the previous one.
void FormDestroy(AppContext& ctx);

}  // namespace orvenka
