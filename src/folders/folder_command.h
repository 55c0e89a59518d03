#pragma once
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// orvenka-folder: makes folders exchange folders of the installed program and starts the
// program on them in a desktop session or as a systemd service.
namespace orvenka {

enum FolderToolExit {
    kFolderOk = 0,
    kFolderFailed = 1,  // the folder or the system refused; the message says why
    kFolderUsage = 2,   // bad arguments
};

// Where the command finds things and how it reaches the system; the program's main fills it in
// from the machine, the tests with folders of their own.
struct FolderToolSetup {
    std::string program;       // the installed program every folder's link leads to
    std::string tool;          // this command, for the autostart entries
    std::string registry;      // the list of folders
    std::string autostartDir;  // the user's XDG autostart folder
    std::string systemdDir;    // /etc/systemd/system: enabled units and drop-ins
    bool systemdRunning = false;
    bool root = false;
    // Runs a command (systemctl ...) and answers its exit code; -1 when it cannot be started.
    std::function<int(const std::vector<std::string>&)> runCommand;
    // Replaces this process by `path` with `argv`; returns only when that failed.
    std::function<void(const std::string& path, const std::vector<std::string>& argv)> exec;
    // Starts `path` with `argv` detached from this process; answers its process id or -1.
    std::function<int(const std::string& path, const std::vector<std::string>& argv)> spawn;
};

extern const char* const kFolderUsageText;

// Runs the arguments after the program name.
int RunFolderTool(const std::vector<std::string>& args, const FolderToolSetup& setup,
                  std::ostream& out, std::ostream& err);

}  // namespace orvenka
