#include "common/standard_streams.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>

namespace orvenka {

void ProtectStandardStreams() {
    ::signal(SIGPIPE, SIG_IGN);
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
            continue;
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || (flags & O_NONBLOCK))
            continue;
        if (S_ISSOCK(st.st_mode)) {
            // A socket cannot be opened anew; it is ours (a service's log stream) anyway.
            ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
            continue;
        }
        // Opening the stream anew through /proc gives a description of our own. A pipe whose
        // reader has gone cannot be opened so (ENXIO); writes to it fail at once anyway.
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        const int own =
            ::open(self.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (flags & O_APPEND));
        if (own < 0)
            continue;
        ::dup2(own, fd);
        ::close(own);
    }
}

void StreamWriter::Write(std::string_view text) {
    if (gone_)
        return;
    Drain();
    if (pending_.size() + text.size() > backlog_) {
        dropped_ += text.size();
        droppedUntold_ += text.size();
        return;
    }
    if (droppedUntold_ > 0 && pending_.empty()) {
        pending_ = "[не выведено " + std::to_string(droppedUntold_) + " байт журнала]\n";
        droppedUntold_ = 0;
    }
    pending_.append(text);
    Drain();
}

void StreamWriter::Drain() {
    size_t done = 0;
    while (done < pending_.size()) {
        const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            // No reader any more, or no stream at all: nothing more goes. Anything else (a full
            // disk) costs only what is waiting now.
            const int err = n < 0 ? errno : EIO;
            gone_ = err == EPIPE || err == EBADF || err == EINVAL;
            dropped_ += pending_.size() - done;
            if (!gone_)
                droppedUntold_ += pending_.size() - done;
            pending_.clear();
            return;
        }
    }
    pending_.erase(0, done);
}

void WriteToStderr(std::string_view text) {
    // Never destroyed: a thread may still log while the program ends.
    static std::mutex* const mutex = new std::mutex;
    static StreamWriter* const writer = new StreamWriter(STDERR_FILENO);
    std::lock_guard<std::mutex> lock(*mutex);
    writer->Write(text);
}

}  // namespace orvenka
