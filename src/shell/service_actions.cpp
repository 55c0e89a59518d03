#include "shell/service_actions.h"

#include <exception>

#include "common/failure.h"
#include "common/numbers.h"

namespace orvenka {

std::string FailurePrefix(ServiceButton button) {
    switch (button) {
        case ServiceButton::CopyLastCheck:
            return "Копия последнего чека:";
        case ServiceButton::CopyCheckByNumber:
            return "Копия последнего чека по номеру ФД:";
        case ServiceButton::UnsentFD:
            return "Не переданные ФД:";
        case ServiceButton::TestLinkOFD:
            return "Проверка связи с офд:";
        case ServiceButton::SrokFN:
            return "срок действия ФН:";
        case ServiceButton::ShowProperties:
        case ServiceButton::OpenDrawer:
        case ServiceButton::ZReport:
        case ServiceButton::XReport:
            break;
    }
    return {};
}

std::optional<std::string> NumFDError(std::string_view text) {
    if (ParseInt(text))
        return std::nullopt;
    return "'" + std::string(text) + "' не является целым числом";
}

ServiceActions::ServiceActions(AppContext& ctx, const CommandLoop& loop) : ctx_(ctx), loop_(loop) {}

bool ServiceActions::Run(ServiceButton button, const std::string& numberFD) {
    // A modal box of a command (or of another button) may let a click through; the device is
    // then in the middle of something else.
    if (busy_ || loop_.Busy())
        return false;
    busy_ = true;
    std::exception_ptr escaped;
    try {
        if (timer_)
            timer_(false);
        ctx_.ConnectPending = true;
        ctx_.log.ClearErrors();
        const char kind = ctx_.platform.SelectDeviceKind(ctx_.StartupKind);
        if (kind != 0) {
            const std::string prefix = FailurePrefix(button);
            if (prefix.empty()) {
                Action(button, kind, numberFD);
            } else {
                try {
                    Action(button, kind, numberFD);
                } catch (const std::exception& e) {
                    ctx_.LogError(prefix + e.what());
                }
            }
        }
    } catch (...) {
        escaped = std::current_exception();
    }
    EndFrame();
    busy_ = false;
    if (escaped)
        std::rethrow_exception(escaped);
    return true;
}

void ServiceActions::Action(ServiceButton button, char kind, const std::string& numberFD) {
    if (kind == 'E') {
        // The emulator has no device; only the printer it prints on has settings.
        if (button == ServiceButton::ShowProperties)
            ctx_.platform.PrinterSetupDialog();
        return;
    }
    if (kind != 'A' && kind != 'S')
        return;
    DeviceBackend* backend = ctx_.Backend(kind);
    if (!backend)
        throw Failure("Нет драйвера устройства вида " + std::string(1, kind));
    // With logical device 0 the ATOL connection lets the operator choose the device.
    // Shtrih-M lists its logical devices through the driver object, so that choice is made by
    // its back-end's connection.
    if (kind == 'A')
        ctx_.device.LogicalDevice = 0;
    switch (button) {
        case ServiceButton::ShowProperties:
            backend->ShowProperties();
            break;
        case ServiceButton::OpenDrawer:
            backend->OpenDrawer();
            break;
        case ServiceButton::ZReport:
            backend->ZReport();
            break;
        case ServiceButton::XReport:
            backend->XReport();
            break;
        case ServiceButton::CopyLastCheck:
            backend->PrintCopyLastCheck();
            break;
        case ServiceButton::CopyCheckByNumber:
            backend->PrintCopyLastCheckForNum(numberFD);
            break;
        case ServiceButton::UnsentFD:
            backend->ShowUnsentFD();
            break;
        case ServiceButton::TestLinkOFD:
            backend->ShowTestLinkOFD();
            break;
        case ServiceButton::SrokFN:
            backend->ShowSrokFN();
            break;
    }
}

// Every step runs whatever the one before did: a button that stopped half way would leave the
// timer off, and no command would ever be taken again.
void ServiceActions::EndFrame() {
    ctx_.ConnectPending = false;
    ctx_.RunGuarded([this] {
        if (timer_)
            timer_(true);
    });
    ctx_.ReleaseDrivers();
}

}  // namespace orvenka
