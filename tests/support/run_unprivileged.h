#pragma once
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

namespace orvenka::test {

// Runs `body` in a child process that has no special file rights, so permission checks hold
// even when the tests run as root (root is dropped to "nobody"). The child's answer comes back
// through a pipe; nullopt when the child could not run or did not finish normally.
// Folders the body uses must be reachable by "nobody" (see OpenToAll).
inline std::optional<std::string> RunUnprivileged(const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        std::string answer;
        try {
            answer = body();
        } catch (...) {
            ::_exit(4);
        }
        size_t done = 0;
        while (done < answer.size()) {
            const ssize_t n = ::write(fds[1], answer.data() + done, answer.size() - done);
            if (n <= 0)
                ::_exit(5);
            done += static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string answer;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        answer.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return answer;
}

// Lets every user into a folder (and read what is in it) without write rights, or with them.
inline void OpenToAll(const std::string& folder, bool writable) {
    ::chmod(folder.c_str(), writable ? 0777 : 0555);
}

}  // namespace orvenka::test
