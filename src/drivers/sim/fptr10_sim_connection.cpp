#include <cmath>
#include <cstdio>

#include "common/failure.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"
#include "drivers/sim/fiscal_tlv.h"
#include "drivers/sim/fptr10_sim.h"
#include "drivers/sim/fptr10_sim_internal.h"

namespace orvenka {

using namespace fptr10sim;

// --- connection -----------------------------------------------------------------------------

int SimulatedFptr10::ApplySettings() {
    const auto settings = std::move(pendingSettings_);
    pendingSettings_.clear();
    std::string port, comFile, baud, address, ipPort;
    for (const auto& [name, value] : settings) {
        if (SameNoCase(name, Constant("LIBFPTR_SETTING_MODEL")->ToText())) {
            if (value != std::to_string(C("LIBFPTR_MODEL_ATOL_AUTO")))
                return Fail(kBadValue, "Неизвестная модель ККТ " + value);
        } else if (SameNoCase(name, Constant("LIBFPTR_SETTING_PORT")->ToText())) {
            port = value;
        } else if (SameNoCase(name, Constant("LIBFPTR_SETTING_COM_FILE")->ToText())) {
            comFile = value;
        } else if (SameNoCase(name, Constant("LIBFPTR_SETTING_BAUDRATE")->ToText())) {
            baud = value;
        } else if (SameNoCase(name, Constant("LIBFPTR_SETTING_IPADDRESS")->ToText())) {
            address = value;
        } else if (SameNoCase(name, Constant("LIBFPTR_SETTING_IPPORT")->ToText())) {
            ipPort = value;
        } else {
            return Fail(kBadValue, "Неизвестная настройка " + name);
        }
    }
    std::string described = "по умолчанию";
    if (port == std::to_string(C("LIBFPTR_PORT_COM"))) {
        if (IsBlank(comFile))
            return Fail(kBadValue, "Не указан COM-порт");
        bool known = false;
        for (const auto& [name, value] : Constants()) {
            known = known || (name.rfind("LIBFPTR_PORT_BR_", 0) == 0 && value.ToText() == baud);
        }
        if (!known)
            return Fail(kBadValue, "Неверная скорость обмена " + baud);
        described = "COM " + comFile + ", скорость " + baud;
    } else if (port == std::to_string(C("LIBFPTR_PORT_USB"))) {
        described = "USB";
    } else if (port == std::to_string(C("LIBFPTR_PORT_TCPIP"))) {
        const auto n = ParseInt(ipPort);
        if (IsBlank(address))
            return Fail(kBadValue, "Не указан IP-адрес ККТ");
        if (!n || *n < 1 || *n > 65535)
            return Fail(kBadValue, "Неверный TCP-порт ККТ " + ipPort);
        described = "TCP/IP " + address + ":" + ipPort;
    } else if (!port.empty()) {
        return Fail(kBadValue, "Неверный порт " + port);
    }
    state_.Set("SETTINGS", described);
    Save();
    return Done();
}

int SimulatedFptr10::QueryData(const Inputs& in) {
    const int64_t type = in.Int(C("LIBFPTR_PARAM_DATA_TYPE"));
    if (type == C("LIBFPTR_DT_STATUS")) {
        Output("LIBFPTR_PARAM_RECEIPT_TYPE", receipt_ ? receipt_->type : 0);
        Output("LIBFPTR_PARAM_SHIFT_STATE", ShiftState());
        Output("LIBFPTR_PARAM_SHIFT_NUMBER", state_.Int("SHIFT_NUMBER", 0));
        Output("LIBFPTR_PARAM_DOCUMENT_NUMBER", state_.Int("DOCUMENT_NUMBER", 0));
        Output("LIBFPTR_PARAM_DATE_TIME", Variant::DateTime(Now()));
    } else if (type == C("LIBFPTR_DT_RECEIPT_STATE")) {
        Output("LIBFPTR_PARAM_RECEIPT_TYPE", receipt_ ? receipt_->type : 0);
        Output("LIBFPTR_PARAM_RECEIPT_SUM",
               receipt_ ? static_cast<double>(receipt_->totalKopecks) / 100 : 0.0);
    } else if (type == C("LIBFPTR_DT_RECEIPT_LINE_LENGTH")) {
        Output("LIBFPTR_PARAM_RECEIPT_LINE_LENGTH", LineLength());
    } else if (type == C("LIBFPTR_DT_DATE_TIME")) {
        Output("LIBFPTR_PARAM_DATE_TIME", Variant::DateTime(Now()));
    } else {
        return Fail(kBadValue, "Неизвестный тип запроса " + std::to_string(type));
    }
    return Done();
}

int SimulatedFptr10::FnQueryData(const Inputs& in) {
    const int64_t type = in.Int(C("LIBFPTR_PARAM_FN_DATA_TYPE"));
    if (type == C("LIBFPTR_FNDT_LAST_RECEIPT")) {
        Output("LIBFPTR_PARAM_DOCUMENT_NUMBER", state_.Int("LAST_RECEIPT_DOCUMENT", 0));
        Output("LIBFPTR_PARAM_RECEIPT_SUM", state_.Float("LAST_RECEIPT_SUM", 0));
        Output("LIBFPTR_PARAM_FISCAL_SIGN", state_.Int("LAST_RECEIPT_SIGN", 0));
    } else if (type == C("LIBFPTR_FNDT_OFD_EXCHANGE_STATUS")) {
        Output("LIBFPTR_PARAM_DOCUMENTS_COUNT", state_.Int("UNSENT_COUNT", 0));
        Output("LIBFPTR_PARAM_DOCUMENT_NUMBER", state_.Int("UNSENT_FIRST", 0));
        Output("LIBFPTR_PARAM_DATE_TIME", Variant::DateTime(state_.Float("UNSENT_FIRST_AT", 0)));
    } else if (type == C("LIBFPTR_FNDT_VALIDITY")) {
        Output("LIBFPTR_PARAM_DATE_TIME", Variant::DateTime(kFnValidUntil));
        Output("LIBFPTR_PARAM_REGISTRATIONS_COUNT", state_.Int("REGISTRATIONS_COUNT", 1));
        Output("LIBFPTR_PARAM_REGISTRATIONS_REMAIN", state_.Int("REGISTRATIONS_REMAIN", 11));
    } else {
        return Fail(kBadValue, "Неизвестный тип запроса к ФН " + std::to_string(type));
    }
    return Done();
}

}  // namespace orvenka
