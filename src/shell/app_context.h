#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "common/clock.h"
#include "common/platform.h"
#include "receipt/records.h"
#include "shell/device_backend.h"
#include "shell/event_log.h"
#include "shell/work_frame.h"

namespace orvenka {

// The application context: the single instances every Part shares, passed by reference.
// There are no mutable globals; tests build one on a temporary folder with a scripted
// platform and a fixed clock.
class AppContext {
  public:
    // `folder` is the working folder (ending in "/"), `programFile` the program's file name,
    // from which the settings, run-log and long-log names are formed.
    AppContext(std::string folder, std::string programFile, Platform& platform, Clock& clock);

    const std::string& Folder() const { return folder_; }
    const std::string& ProgramFile() const { return programFile_; }
    std::string Path(const std::string& name) const { return folder_ + name; }
    std::string SettingsPath() const;  // X.ini
    std::string RunLogPath() const;    // X.log
    std::string LongLogPath() const;   // X.long.log

    // Where the current command's incoming files (Param.ini, Tovar.ini, Dop.ini) are read from
    // and its own answer (ResultNumCheck.txt) written to: the working folder, or the private
    // folder of a command that did not come as files (so that a file client never reads its
    // answer, nor it the file client's goods). Ends in "/".
    const std::string& ExchangeFolder() const { return exchange_.empty() ? folder_ : exchange_; }
    std::string ExchangePath(const std::string& name) const { return ExchangeFolder() + name; }
    // Empty: the working folder again.
    void SetExchangeFolder(std::string folder) { exchange_ = std::move(folder); }

    Platform& platform;
    Clock& clock;
    TParam param;
    TDeviceParam device;
    TEmulVar emul;
    EventLog log;
    WorkFrame frame{*this};  // commands, device buttons and the about box, one at a time

    DeviceKind StartupKind = DeviceKind::None;  // fixed by the command line
    bool ConnectPending = false;                // once-per-command connection flag
    bool KeepAtolDriver = false;                // AtolNoCloseLinkToDriverAfterCommand

    // Back-ends by kind, installed by the composition root.
    void SetBackend(std::unique_ptr<DeviceBackend> backend);
    DeviceBackend* Backend(DeviceKind kind) const;  // nullptr for a kind without one

    // End of every command and service action: every back-end drops its driver object (or keeps
    // it, when its settings say so), in the order of kDeviceKinds. A release that fails is
    // logged; the others still run.
    void ReleaseDrivers();
    // Runs one step of a command or a button: a Failure is logged with its text, anything else
    // as an internal error, so the steps after it (timer on, busy flag off) always run and
    // polling never stops.
    void RunGuarded(const std::function<void()>& step);

    void LogMessage(const std::string& text) { log.LogMessage(text); }
    void LogError(const std::string& text) { log.LogError(text); }

  private:
    std::string folder_;
    std::string programFile_;
    std::string exchange_;
    std::map<DeviceKind, std::unique_ptr<DeviceBackend>> backends_;
};

}  // namespace orvenka
