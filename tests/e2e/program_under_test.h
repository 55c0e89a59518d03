#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace orvenka::test {

using Millis = std::chrono::milliseconds;

// A TCP port on the loopback address that nobody listens on right now (for a server a test
// starts). Raises std::runtime_error when none is given.
int FreeLoopbackPort();

// Polls `done` every few milliseconds until it holds or `timeout` passes; answers done().
bool WaitUntil(const std::function<bool()>& done, Millis timeout);

// One child process: started with fork/exec, its standard output and error captured in files.
class ChildProcess {
  public:
    // `env` entries "NAME=value" are added to (or replace those of) this process's environment.
    // Standard output and error go to files named after `outputPrefix`, or both to `outputFd`
    // when one is given (then Stdout and Stderr are empty).
    ChildProcess(const std::string& executable, const std::vector<std::string>& args,
                 const std::vector<std::string>& env, const std::string& workDir,
                 const std::string& outputPrefix, int outputFd = -1);
    ~ChildProcess();  // a process still running is killed
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int Pid() const { return pid_; }
    bool Running();
    // Exit code once the process has ended (128 + signal number when a signal ended it).
    std::optional<int> WaitForExit(Millis timeout);
    void Signal(int sig);
    void Terminate();  // SIGTERM
    void Kill();       // SIGKILL and reap

    std::string Stdout() const;  // as written (UTF-8)
    std::string Stderr() const;
    bool WaitForStderr(const std::string& text, Millis timeout);

  private:
    bool Reap(bool block);
    int pid_ = -1;
    std::optional<int> exitCode_;
    std::string stdoutPath_, stderrPath_;
};

// The real program on a fresh temporary working folder, copied there under a file name of its
// own: the single-instance rule matches program file names across the whole machine, so a
// unique name keeps each test apart from other tests and from a running copy.
class ProgramUnderTest {
  public:
    ProgramUnderTest();
    // A copy of another build of the program (the scripted-operator one).
    explicit ProgramUnderTest(const std::string& executable);
    ~ProgramUnderTest();  // every process started here is stopped first

    const TempFolder& Folder() const { return folder_; }
    const std::string& Name() const { return name_; }  // program file name, no extension
    std::string Executable() const { return folder_.Path() + name_; }
    std::string File(const std::string& name) const { return folder_.File(name); }
    // X.ini, X.log, X.long.log of this copy.
    std::string SettingsName() const { return name_ + ".ini"; }
    std::string RunLogName() const { return name_ + ".log"; }
    std::string LongLogName() const { return name_ + ".long.log"; }

    // Starts a copy on the offscreen platform; `env` adds to the environment. The first started
    // process stays available as Main().
    ChildProcess& Start(const std::vector<std::string>& args,
                        const std::vector<std::string>& env = {}, int outputFd = -1);
    ChildProcess& Main() { return *processes_.front(); }

    // Starts with /EMUL (or `args`) and waits until the program polls the folder.
    ChildProcess& StartPolling(const std::vector<std::string>& args = {"/EMUL"});

    bool WaitForFile(const std::string& name, Millis timeout) const;
    // Reads a Windows-1251 file back as UTF-8 lines (CR LF cut); empty when missing.
    std::vector<std::string> Lines(const std::string& name) const;

    static constexpr const char* kPollingLine = "Старт отслеживания команд";

  private:
    TempFolder folder_;
    TempFolder output_;  // standard output and error of the children, outside the work folder
    std::string name_;
    std::vector<std::unique_ptr<ChildProcess>> processes_;
};

}  // namespace orvenka::test
