#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The program's log lines also go to standard error, which may be a pipe nobody reads, a reader
// that has gone away, or a terminal held with Ctrl+S. None of these may stop or kill the program:
// the lines are for a person watching, the command files are what counts.
namespace orvenka {

// At start: SIGPIPE is ignored (a write to a stream without a reader then just fails), and a
// pipe, terminal or socket behind standard output or error is switched to writes that never
// wait. A pipe or terminal gets a description of its own for that, so whoever shares the stream
// (the shell that started us) is not affected. Plain files stay as they are.
void ProtectStandardStreams();

// Writes to standard error without ever waiting: what the stream cannot take now is kept (up to
// kStderrBacklog bytes) and written before the next text; beyond that, text is dropped and a
// line says how much. Safe to call from any thread.
constexpr std::size_t kStderrBacklog = 64 * 1024;
void WriteToStderr(std::string_view text);

// The same on any descriptor, for tests: one writer per descriptor.
class StreamWriter {
  public:
    explicit StreamWriter(int fd, std::size_t backlog = kStderrBacklog)
        : fd_(fd), backlog_(backlog) {}
    void Write(std::string_view text);
    std::size_t Pending() const { return pending_.size(); }
    std::size_t DroppedBytes() const { return dropped_; }
    bool Gone() const { return gone_; }

  private:
    void Drain();

    int fd_;
    std::size_t backlog_;
    std::string pending_;
    std::size_t dropped_ = 0;        // in all
    std::size_t droppedUntold_ = 0;  // not yet reported on the stream
    bool gone_ = false;
};

}  // namespace orvenka
