// orvenka-folder: exchange folders of the installed program, their autostart and services.
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "common/files.h"
#include "folders/folder_command.h"

extern char** environ;

namespace {

using namespace orvenka;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ConfigHome() {
    if (!Env("XDG_CONFIG_HOME").empty())
        return Env("XDG_CONFIG_HOME");
    std::string home = Env("HOME");
    if (home.empty()) {
        if (const passwd* user = ::getpwuid(::getuid()))
            home = user->pw_dir;
    }
    return home + "/.config";
}

std::vector<char*> Argv(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

int RunCommand(const std::vector<std::string>& command) {
    std::vector<std::string> args = command;
    std::vector<char*> argv = Argv(args);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void Exec(const std::string& path, const std::vector<std::string>& command) {
    std::vector<std::string> args = command;
    std::vector<char*> argv = Argv(args);
    ::execv(path.c_str(), argv.data());
}

// A process of its own session, adopted by the system once we end; its id comes back through a
// pipe that closes when it has become the program (or carries the error when it could not).
int SpawnDetached(const std::string& path, const std::vector<std::string>& command) {
    std::vector<std::string> args = command;
    std::vector<char*> argv = Argv(args);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::setsid();
        const pid_t pid = ::fork();
        if (pid == 0) {
            // Nothing of ours stays open in it: a caller reading our output through a pipe
            // would otherwise wait for the program to end. Its messages are in its run log.
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, 0);
                ::dup2(null, 1);
                ::dup2(null, 2);
            }
            ::execv(path.c_str(), argv.data());
            const int err = errno;
            (void)!::write(fds[1], &err, sizeof err);
            ::_exit(127);
        }
        (void)!::write(fds[1], &pid, sizeof pid);
        ::_exit(0);
    }
    ::close(fds[1]);
    if (middle < 0) {
        ::close(fds[0]);
        return -1;
    }
    ::waitpid(middle, nullptr, 0);
    pid_t pid = -1;
    int err = 0;
    const bool gotPid = ::read(fds[0], &pid, sizeof pid) == sizeof pid;
    const bool failed = ::read(fds[0], &err, sizeof err) > 0;
    ::close(fds[0]);
    return gotPid && !failed ? pid : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const std::string tool = ProgramFolder() + ProgramFileName();

    FolderToolSetup setup;
    // The program is installed beside this command; ORVENKA_PROGRAM names another one.
    setup.program =
        Env("ORVENKA_PROGRAM").empty() ? ProgramFolder() + "orvenka" : Env("ORVENKA_PROGRAM");
    setup.tool = tool;
    setup.root = ::geteuid() == 0;
    // Root's folders are the machine's (removed with the package); a user's are the user's.
    if (!Env("ORVENKA_FOLDER_LIST").empty())
        setup.registry = Env("ORVENKA_FOLDER_LIST");
    else if (setup.root)
        setup.registry = "/var/lib/orvenka/folders";
    else
        setup.registry = ConfigHome() + "/orvenka/folders";
    setup.autostartDir = ConfigHome() + "/autostart";
    setup.systemdDir = "/etc/systemd/system";
    setup.systemdRunning = ::access("/run/systemd/system", F_OK) == 0;
    setup.runCommand = RunCommand;
    setup.exec = Exec;
    setup.spawn = SpawnDetached;
    return RunFolderTool(args, setup, std::cout, std::cerr);
}
