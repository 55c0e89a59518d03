#include "gui/unix_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <vector>

namespace orvenka::gui {

namespace {

int g_pipe[2] = {-1, -1};  // written only by the handler below, read on the GUI thread
std::vector<int> g_installed;

void OnSignal(int sig) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> numbers, QObject* parent)
    : QObject(parent) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &UnixSignalWatcher::ReadPipe);
    for (int sig : numbers) {
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        if (::sigaction(sig, &sa, nullptr) == 0)
            g_installed.push_back(sig);
    }
}

UnixSignalWatcher::~UnixSignalWatcher() {
    for (int sig : g_installed)
        ::signal(sig, SIG_DFL);
    g_installed.clear();
    delete notifier_;
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void UnixSignalWatcher::ReadPipe() {
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        emit Received(byte);
}

}  // namespace orvenka::gui
