#include "shell/service_actions.h"

#include <exception>

#include "common/failure.h"
#include "common/numbers.h"

namespace orvenka {
namespace {

const ServiceButtonRow kButtons[] = {
    {ServiceButton::ShowProperties, "",
     [](DeviceBackend& b, const std::string&) { b.ShowProperties(); }},
    {ServiceButton::OpenDrawer, "", [](DeviceBackend& b, const std::string&) { b.OpenDrawer(); }},
    {ServiceButton::ZReport, "", [](DeviceBackend& b, const std::string&) { b.ZReport(); }},
    {ServiceButton::XReport, "", [](DeviceBackend& b, const std::string&) { b.XReport(); }},
    {ServiceButton::CopyLastCheck, "Копия последнего чека:",
     [](DeviceBackend& b, const std::string&) { b.PrintCopyLastCheck(); }},
    {ServiceButton::CopyCheckByNumber, "Копия последнего чека по номеру ФД:",
     [](DeviceBackend& b, const std::string& number) { b.PrintCopyLastCheckForNum(number); }},
    {ServiceButton::UnsentFD,
     "Не переданные ФД:", [](DeviceBackend& b, const std::string&) { b.ShowUnsentFD(); }},
    {ServiceButton::TestLinkOFD,
     "Проверка связи с офд:", [](DeviceBackend& b, const std::string&) { b.ShowTestLinkOFD(); }},
    {ServiceButton::SrokFN,
     "срок действия ФН:", [](DeviceBackend& b, const std::string&) { b.ShowSrokFN(); }},
};

}  // namespace

const ServiceButtonRow& ServiceButtonRowOf(ServiceButton button) {
    for (const ServiceButtonRow& row : kButtons) {
        if (row.button == button)
            return row;
    }
    throw Failure("Неизвестная кнопка устройства");
}

std::string FailurePrefix(ServiceButton button) {
    return ServiceButtonRowOf(button).failurePrefix;
}

std::optional<std::string> NumFDError(std::string_view text) {
    if (ParseInt(text))
        return std::nullopt;
    return "'" + std::string(text) + "' не является целым числом";
}

bool ServiceActions::Run(ServiceButton button, const std::string& numberFD) {
    const ServiceButtonRow& row = ServiceButtonRowOf(button);
    return ctx_.frame.Run(FrameKind::Button, [&] {
        ctx_.log.ClearErrors();
        const DeviceKind kind = ctx_.platform.SelectDeviceKind(ctx_.StartupKind);
        if (kind == DeviceKind::None)
            return;
        // Nothing of the last command or button: the logical device is chosen for this one (a
        // number another kind used may not exist here at all).
        ctx_.device = TDeviceParam{};
        ctx_.device.Kind = kind;
        ctx_.device.LogicalDevice = 0;
        const std::string prefix = row.failurePrefix;
        if (prefix.empty()) {
            Action(row, kind, numberFD);
            return;
        }
        try {
            Action(row, kind, numberFD);
        } catch (const std::exception& e) {
            ctx_.LogError(prefix + e.what());
        }
    });
}

void ServiceActions::Action(const ServiceButtonRow& row, DeviceKind kind,
                            const std::string& numberFD) {
    DeviceBackend* backend = ctx_.Backend(kind);
    if (!backend)
        throw Failure("Нет драйвера устройства вида " + std::string(1, KindLetter(kind)));
    if (backend->PrepareServiceButton(row.button))
        row.operation(*backend, numberFD);
}

}  // namespace orvenka
