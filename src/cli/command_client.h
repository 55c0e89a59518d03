#pragma once
#include <ostream>
#include <string>
#include <vector>

// The accounting system's side of the file protocol, for integrators and scripts: writes one
// command as cmd.ini into Orvenka's folder, waits for cmd.finish and reports Result.txt.
namespace orvenka {

enum ClientExit {
    kClientOk = 0,          // answered, Result.txt empty
    kClientErrors = 1,      // answered, Result.txt holds error lines
    kClientUsage = 2,       // bad arguments
    kClientWithdrawn = 3,   // Orvenka did not take it in time; withdrawn, safe to send again
    kClientFileError = 4,   // the command could not be handed over
    kClientUnfinished = 5,  // taken, not finished in time: look at the register before resending
    kClientBusy = 6,        // the folder stayed busy with another command or client
};

struct ClientOptions {
    std::string folder;  // Orvenka's folder, ending in "/"
    double timeoutSeconds = 30;
    std::string commandLine;  // UTF-8; written in Windows-1251
    bool help = false;
    bool check = false;  // "check": the dry run of a receipt instead of a command
};

extern const char* const kClientUsageText;

// Parses the arguments after the program name: [-d FOLDER] [-t SECONDS] COMMAND-LINE, or
// check [-d FOLDER].
// Answers false with a message in `error` on a usage error.
bool ParseClientArguments(const std::vector<std::string>& args, const std::string& defaultFolder,
                          ClientOptions& options, std::string& error);

// The lock file in Orvenka's folder through which clients take turns.
extern const char* const kClientLockFile;

// One command, start to end:
// 1. waits for its turn among the clients of the folder (a lock on kClientLockFile, held to the
//    end), so that any number of clients can share one folder;
// 2. waits until no cmd.ini (in any letter case) is left in the folder;
// 3. deletes an old cmd.finish so it is never taken for the answer;
// 4. creates cmd.ini written whole, and never in place of one that appeared meanwhile (then it
//    waits again);
// 5. polls every 10 ms for a cmd.finish written after Orvenka took the command;
// 6. prints Result.txt, and ResultNumCheck.txt when this command wrote it.
// On a time-out a command Orvenka has not taken yet is withdrawn (moved away under a name of the
// client's own, so that Orvenka cannot take it at the same instant).
int RunCommandClient(const ClientOptions& options, std::ostream& out, std::ostream& err);

}  // namespace orvenka
