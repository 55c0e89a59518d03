#pragma once
#include <functional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/logger.h"
#include "common/platform.h"
#include "receipt/records.h"

namespace orvenka {

// The event log: the message pane, the error pane (the command's answer), the long log file
// and the tray balloon. Every Part reports through LogMessage and LogError.
class EventLog : public Logger {
  public:
    enum class Pane { Messages, Errors };
    // Called for every line added and when the error pane is cleared (the window mirrors it).
    using Listener = std::function<void(Pane pane, const std::string* line)>;

    EventLog(Clock& clock, Platform& platform, const TParam& param, std::string longLogPath);

    void LogMessage(const std::string& text) override;
    void LogError(const std::string& text) override;

    // Appends one long-log record (time stamp, the TParam values, the message). Raises Failure
    // when the file cannot be written.
    void WriteLongLog(const std::string& message, const std::string& documentNumber);
    void ShowErrorBalloon();
    // Title cut to 63 characters, text to 255.
    void ShowTrayBalloon(const std::string& title, const std::string& text);

    void ClearErrors();
    // The error pane as it was: a command whose answer went elsewhere gives the folder's answer
    // (the last file command's) back to it. Nothing is logged again.
    void RestoreErrors(std::vector<std::string> lines);
    // At exit the error pane's lines go to the end of the message pane (the run log holds both).
    void AppendErrorsToMessages();
    const std::vector<std::string>& Messages() const { return messages_; }
    const std::vector<std::string>& Errors() const { return errors_; }
    // "dd.mm.yyyy hh:mm:ss:" + text
    std::string Stamp(const std::string& text);

    void SetListener(Listener listener) { listener_ = std::move(listener); }
    // A copy of a pane line goes to standard error too (no screen: the operator reads it there,
    // or the journal under a service manager). Each line carries the syslog priority journald
    // reads: "<3>" for the error pane, "<6>" for the message pane.
    void SetEchoToStderr(bool on) { echo_ = on; }

  private:
    Clock& clock_;
    Platform& platform_;
    const TParam& param_;
    std::string longLogPath_;
    std::vector<std::string> messages_;
    std::vector<std::string> errors_;
    Listener listener_;
    bool echo_ = false;
};

}  // namespace orvenka
