#pragma once
// What the register receipt benchmarks share: the real program started on a simulated register
// with its folder watched, one command timed from cmd.ini renamed in until cmd.finish is there,
// the processor time the program spent meanwhile, and the median of the runs.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/files.h"
#include "folder_wait.h"
#include "program_under_test.h"

namespace orvenka::bench {

inline double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Milliseconds of processor time every thread of process `pid` has had so far, from the
// scheduler's own nanosecond account: unlike the clock on the wall, it does not grow while other
// builds hold the processors of a shared machine. Negative when the process cannot be read.
inline double ProcessorMs(int pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(tasks.c_str());
    if (!dir)
        return -1;
    long long ns = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream stat(tasks + "/" + entry->d_name + "/schedstat");
        long long onCpu = 0;
        if (stat >> onCpu)
            ns += onCpu;
    }
    ::closedir(dir);
    return static_cast<double>(ns) / 1e6;
}

// Starts the program with `args` and waits until it polls; answers an inotify descriptor on its
// folder, or -1 after saying why on stderr.
inline int StartWatched(test::ProgramUnderTest& p, const std::vector<std::string>& args,
                        const std::vector<std::string>& env = {}) {
    test::ChildProcess& app = p.Start(args, env);
    if (!app.WaitForStderr(test::ProgramUnderTest::kPollingLine, test::Millis(20000))) {
        std::fprintf(stderr, "the program did not start polling\n%s", app.Stderr().c_str());
        return -1;
    }
    const int fd = WatchFolder(p.Folder().Path());
    if (fd < 0)
        std::perror("inotify");
    return fd;
}

// Puts `command` (file bytes) in as cmd.ini the way an accounting system does and answers the
// milliseconds until cmd.finish is there, or -1 when it is not within `timeout`.
inline double TimeCommand(test::ProgramUnderTest& p, int fd, const std::string& command,
                          std::chrono::seconds timeout) {
    using Clock = std::chrono::steady_clock;
    DeleteFileIfExists(p.File("cmd.finish"));
    ::usleep(2000);  // the last command's tick has ended
    p.Folder().WriteBytes("cmd.tmp", command);
    const auto t0 = Clock::now();
    std::filesystem::rename(p.File("cmd.tmp"), p.File("cmd.ini"));
    if (!WaitForFile(fd, p.File("cmd.finish"), Clock::now() + timeout))
        return -1;
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace orvenka::bench
