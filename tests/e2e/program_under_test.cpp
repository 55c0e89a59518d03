#include "program_under_test.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "common/files.h"

extern char** environ;

namespace orvenka::test {

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    const bool bound = fd >= 0 &&
                       ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!bound)
        throw std::runtime_error("no free port on the loopback address");
    return ntohs(addr.sin_port);
}

bool WaitUntil(const std::function<bool()>& done, Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(Millis(2));
    }
    return true;
}

ChildProcess::ChildProcess(const std::string& executable, const std::vector<std::string>& args,
                           const std::vector<std::string>& env, const std::string& workDir,
                           const std::string& outputPrefix, int outputFd)
    : stdoutPath_(outputPrefix + ".stdout"), stderrPath_(outputPrefix + ".stderr") {
    // Everything the child needs is prepared before fork: after it only async-signal-safe calls.
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e; ++e) {
        const std::string item(*e);
        vars[item.substr(0, item.find('='))] = item;
    }
    for (const auto& item : env)
        vars[item.substr(0, item.find('='))] = item;
    std::vector<std::string> envStrings;
    for (const auto& [name, item] : vars)
        envStrings.push_back(item);
    std::vector<char*> envp;
    for (auto& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings{executable};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : argStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    const int out = ::open(stdoutPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = ::open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (out < 0 || err < 0 || in < 0)
        throw std::runtime_error("cannot open the output files");

    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in, 0);
        ::dup2(outputFd >= 0 ? outputFd : out, 1);
        ::dup2(outputFd >= 0 ? outputFd : err, 2);
        if (::chdir(workDir.c_str()) != 0)
            ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(in);
    ::close(out);
    ::close(err);
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
}

ChildProcess::~ChildProcess() {
    Kill();
}

bool ChildProcess::Reap(bool block) {
    if (exitCode_ || pid_ <= 0)
        return true;
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    if (r != pid_)
        return false;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

bool ChildProcess::Running() {
    return !Reap(false);
}

std::optional<int> ChildProcess::WaitForExit(Millis timeout) {
    WaitUntil([this] { return Reap(false); }, timeout);
    return exitCode_;
}

void ChildProcess::Signal(int sig) {
    if (Running())
        ::kill(pid_, sig);
}

void ChildProcess::Terminate() {
    Signal(SIGTERM);
}

void ChildProcess::Kill() {
    if (pid_ <= 0 || exitCode_)
        return;
    ::kill(pid_, SIGKILL);
    Reap(true);
}

std::string ChildProcess::Stdout() const {
    return ReadAll(stdoutPath_);
}
std::string ChildProcess::Stderr() const {
    return ReadAll(stderrPath_);
}

bool ChildProcess::WaitForStderr(const std::string& text, Millis timeout) {
    return WaitUntil([&] { return Stderr().find(text) != std::string::npos; }, timeout);
}

ProgramUnderTest::ProgramUnderTest() : ProgramUnderTest(ORVENKA_EXECUTABLE) {}

ProgramUnderTest::ProgramUnderTest(const std::string& executable) {
    static std::atomic<int> counter{0};
    name_ = "orvenka-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    namespace fs = std::filesystem;
    fs::copy_file(executable, Executable(), fs::copy_options::overwrite_existing);
    fs::permissions(Executable(), fs::perms::owner_all | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
}

ProgramUnderTest::~ProgramUnderTest() {
    for (auto& p : processes_) {
        p->Terminate();
        if (!p->WaitForExit(Millis(5000)))
            p->Kill();
    }
    processes_.clear();
}

ChildProcess& ProgramUnderTest::Start(const std::vector<std::string>& args,
                                      const std::vector<std::string>& env, int outputFd) {
    std::vector<std::string> all{"QT_QPA_PLATFORM=offscreen"};
    all.insert(all.end(), env.begin(), env.end());
    const std::string prefix = output_.Path() + std::to_string(processes_.size() + 1);
    processes_.push_back(
        std::make_unique<ChildProcess>(Executable(), args, all, folder_.Path(), prefix, outputFd));
    return *processes_.back();
}

ChildProcess& ProgramUnderTest::StartPolling(const std::vector<std::string>& args) {
    ChildProcess& p = Start(args);
    if (!p.WaitForStderr(kPollingLine, Millis(15000))) {
        throw std::runtime_error("the program did not start polling; stderr:\n" + p.Stderr());
    }
    return p;
}

bool ProgramUnderTest::WaitForFile(const std::string& name, Millis timeout) const {
    return WaitUntil([&] { return folder_.Exists(name); }, timeout);
}

std::vector<std::string> ProgramUnderTest::Lines(const std::string& name) const {
    if (!folder_.Exists(name))
        return {};
    return SplitLines(folder_.Read(name));
}

}  // namespace orvenka::test
