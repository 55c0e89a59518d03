#include "gui/cups_submit.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "common/failure.h"
#include "common/process.h"

namespace orvenka::gui {
namespace {

constexpr int kConnectMs = 3000;

std::string NoAnswer() {
    std::string server = cupsServer();
    if (!server.empty() && server[0] != '/')
        server += ":" + std::to_string(ippPort());
    return "Сервер печати " + server + " не ответил за " + std::to_string(kCupsAnswerSeconds) +
           " с";
}

// The connection's own wait gives up at once when its time is over.
int GiveUp(http_t*, void*) {
    return 0;
}

// Reads what the child wrote until it closes its end, or until `deadline`; false on time-out.
bool ReadUntil(int fd, std::string& text, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        text.append(buf, static_cast<size_t>(n));
    }
}

}  // namespace

void CheckCupsAnswers() {
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                kConnectMs, nullptr);
    if (!http)
        return;
    httpSetTimeout(http, kCupsAnswerSeconds, GiveUp, nullptr);
    ipp_t* answer = cupsDoRequest(http, ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/");
    httpClose(http);
    if (!answer)
        throw Failure(NoAnswer());
    ippDelete(answer);
}

void SubmitPrintJob(const std::string& queue, const std::string& file,
                    const std::vector<std::pair<std::string, std::string>>& options) {
    // The library's job submission waits for the server without end, whatever time-out its
    // connection has: it runs in a child process of its own, which is ended when time is up.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw Failure("Не удалось передать задание печати: " + std::string(std::strerror(errno)));
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw Failure("Не удалось передать задание печати: " + std::string(std::strerror(errno)));
    }
    if (child == 0) {
        // Ends with the program: a child outliving a killed copy would run under the program's
        // file name, and the copy started after the crash would take it for a running one.
        MarkAsHelperProcess();
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(0);
        ::close(fds[0]);
        cups_option_t* list = nullptr;
        int count = 0;
        for (const auto& [name, value] : options)
            count = cupsAddOption(name.c_str(), value.c_str(), count, &list);
        const int job =
            cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.c_str(), file.c_str(), "", count, list);
        const char* reason = cupsLastErrorString();
        const std::string text =
            job > 0 ? "OK" : std::string("ERR") + (reason && *reason ? reason : "");
        (void)!::write(fds[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    const bool answered = ReadUntil(
        fds[0], text, std::chrono::steady_clock::now() + std::chrono::seconds(kCupsAnswerSeconds));
    ::close(fds[0]);
    if (!answered)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!answered)
        throw Failure("Принтер " + queue + " не принял задание печати: " + NoAnswer());
    if (text == "OK")
        return;
    const std::string reason = text.rfind("ERR", 0) == 0 ? text.substr(3) : std::string();
    throw Failure("Принтер " + queue + " не принял задание печати: " +
                  (reason.empty() ? "причина не сообщается" : reason));
}

}  // namespace orvenka::gui
