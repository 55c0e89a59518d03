#pragma once
#include <stdio.h>

#include <string>

namespace orvenka::test {

struct ShellOutcome {
    int status = -1;  // as pclose gives it: 0 when the command succeeded
    std::string output;
};

// Runs a /bin/sh command line and collects its standard output.
inline ShellOutcome RunShell(const std::string& command) {
    ShellOutcome outcome;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return outcome;
    char buf[512];
    while (const size_t n = std::fread(buf, 1, sizeof buf, pipe))
        outcome.output.append(buf, n);
    outcome.status = ::pclose(pipe);
    return outcome;
}

}  // namespace orvenka::test
