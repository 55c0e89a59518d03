#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "shell/app_context.h"
#include "shell/device_backend.h"

namespace orvenka {

// One device button: the prefix of the error line with which it reports a failure ("Копия
// последнего чека:" ...; empty for the buttons whose failure goes to the application's error box
// instead), and the back-end operation it runs (`numberFD` is the text of the number field).
struct ServiceButtonRow {
    ServiceButton button;
    const char* failurePrefix;
    void (*operation)(DeviceBackend& backend, const std::string& numberFD);
};

// The nine buttons in the order they stand on the tab.
const ServiceButtonRow& ServiceButtonRowOf(ServiceButton button);
std::string FailurePrefix(ServiceButton button);

// The integer-conversion error of the fiscal-document number field ("'abc' не является целым
// числом"); nullopt when the text is a whole number.
std::optional<std::string> NumFDError(std::string_view text);

// Runs the device buttons in the context's work frame: the poll timer off, ConnectPending
// raised and the error pane cleared; the device kind asked for, and the command's device
// parameters started afresh for it (no logical device chosen yet); the device's own steps
// (PrepareServiceButton) and the button's operation; afterwards, whatever happened, the frame's
// button steps. A button writes neither Result.txt nor cmd.finish: the next poll answers with
// the error pane.
class ServiceActions {
  public:
    explicit ServiceActions(AppContext& ctx) : ctx_(ctx) {}

    // Runs one button; `numberFD` is the text of the number field (for CopyCheckByNumber).
    // False, and nothing done, while a command or another button is under way. A failure of a
    // button without a prefix passes to the caller once the frame has closed.
    bool Run(ServiceButton button, const std::string& numberFD = {});

    // A command or a button is running (its modal boxes must not start another).
    bool Busy() const { return ctx_.frame.Busy(); }

  private:
    void Action(const ServiceButtonRow& row, DeviceKind kind, const std::string& numberFD);

    AppContext& ctx_;
};

}  // namespace orvenka
