#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "shell/app_context.h"
#include "shell/command_loop.h"

namespace orvenka {

// The device buttons of the operator window's tab "Устройство", in the order they stand there.
enum class ServiceButton {
    ShowProperties,     // "Открыть свойства ФР"
    OpenDrawer,         // "Открыть ден.ящик"
    ZReport,            // "Z-отчет"
    XReport,            // "X-отчет"
    CopyLastCheck,      // "Распечатать копию последнего чека"
    CopyCheckByNumber,  // "Печать" of the group "Копия чека по номеру ФД"
    UnsentFD,           // "Показать кол-во неотправленных ФД"
    TestLinkOFD,        // "Проверка связи с ОФД"
    SrokFN,             // "Cрок действия ФН"
};

// The prefix of the error line with which a button reports its failure ("Копия последнего
// чека:" ...). Empty for the buttons whose failure goes to the application's error box instead.
std::string FailurePrefix(ServiceButton button);

// The integer-conversion error of the fiscal-document number field ("'abc' не является целым
// числом"); nullopt when the text is a whole number.
std::optional<std::string> NumFDError(std::string_view text);

// Runs the device buttons. Every button works in one frame: the poll timer off, ConnectPending
// raised and the error pane cleared; the device kind asked for; the kind's operation; and
// afterwards, whatever happened, ConnectPending lowered, the timer on and the driver objects
// released. A button writes neither Result.txt nor cmd.finish: the next poll answers with the
// error pane.
class ServiceActions {
  public:
    ServiceActions(AppContext& ctx, const CommandLoop& loop);

    // The poll timer, off for the whole of a button.
    void SetTimerControl(std::function<void(bool enabled)> control) { timer_ = std::move(control); }

    // Runs one button; `numberFD` is the text of the number field (for CopyCheckByNumber).
    // False, and nothing done, while a command or another button is under way. A failure of a
    // button without a prefix passes to the caller once the frame has ended.
    bool Run(ServiceButton button, const std::string& numberFD = {});

    // A button is running (its modal boxes must not start a command).
    bool Busy() const { return busy_; }

  private:
    void Action(ServiceButton button, char kind, const std::string& numberFD);
    void EndFrame();

    AppContext& ctx_;
    const CommandLoop& loop_;
    std::function<void(bool)> timer_;
    bool busy_ = false;
};

}  // namespace orvenka
