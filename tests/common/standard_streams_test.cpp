#include "common/standard_streams.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace orvenka {
namespace {

// A pipe whose ends a test closes when it likes.
struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    void CloseRead() {
        if (read >= 0)
            ::close(read);
        read = -1;
    }
    void CloseWrite() {
        if (write >= 0)
            ::close(write);
        write = -1;
    }
    std::string Drain() const {
        ::fcntl(read, F_SETFL, O_NONBLOCK);
        std::string all;
        char buf[65536];
        ssize_t n;
        while ((n = ::read(read, buf, sizeof buf)) > 0)
            all.append(buf, size_t(n));
        return all;
    }
};

const std::string kLine(100, 'x');

// Nobody reads: every write returns at once, what does not fit waits within its bound, and the
// rest is dropped and told once the reader is back.
TEST(StreamWriter, StreamNobodyReadsNeverBlocks) {
    Pipe pipe;
    ASSERT_EQ(::fcntl(pipe.write, F_SETFL, O_NONBLOCK), 0);
    StreamWriter writer(pipe.write, 4096);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5000; ++i)  // 500 kB into a 64 kB pipe
        writer.Write(kLine + "\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_LE(writer.Pending(), 4096u);
    EXPECT_GT(writer.DroppedBytes(), 0u);
    EXPECT_FALSE(writer.Gone());

    const std::string first = pipe.Drain();
    writer.Write("после\n");
    const std::string after = pipe.Drain();
    EXPECT_EQ(first.size() % 101, 0u) << "whole lines only";
    EXPECT_NE(after.find("[не выведено "), std::string::npos) << after;
    const std::string last = "после\n";
    ASSERT_GE(after.size(), last.size());
    EXPECT_EQ(after.substr(after.size() - last.size()), last);
}

TEST(StreamWriter, ReaderGoneStopsTheWritingNotTheProgram) {
    ::signal(SIGPIPE, SIG_IGN);
    Pipe pipe;
    StreamWriter writer(pipe.write);
    writer.Write("первая\n");
    EXPECT_EQ(pipe.Drain(), "первая\n");
    pipe.CloseRead();
    writer.Write("вторая\n");
    EXPECT_TRUE(writer.Gone());
    writer.Write("третья\n");
    EXPECT_EQ(writer.Pending(), 0u);
}

// The program's streams in a child: a pipe nobody reads may not hold it, and the shell's own
// description of the pipe stays as it was.
TEST(StandardStreams, ProtectedStreamsNeverBlockAndLeaveOthersAlone) {
    Pipe pipe;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipe.write, STDOUT_FILENO);
        ::dup2(pipe.write, STDERR_FILENO);
        ProtectStandardStreams();
        for (int i = 0; i < 20000; ++i) {  // 2 MB
            WriteToStderr(kLine + "\n");
            std::fprintf(stderr, "%s\n", kLine.c_str());
        }
        ::_exit(0);
    }
    int status = -1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            FAIL() << "blocked on a stream nobody reads";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(::fcntl(pipe.write, F_GETFL) & O_NONBLOCK, 0);
}

}  // namespace
}  // namespace orvenka
